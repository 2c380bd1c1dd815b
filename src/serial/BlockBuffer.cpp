#include "serial/BlockBuffer.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace orq {

using Guard = std::lock_guard<std::recursive_mutex>;

BlockBuffer::BlockBuffer(uint32_t minimumBlockSize)
    : minimum_(std::max<uint32_t>(minimumBlockSize, 1)) {}

BlockBuffer::~BlockBuffer() {
    Clear();
}

// Header and data in one allocation, as the blocks have always been laid out.
BlockBuffer::Block* BlockBuffer::NewBlock(uint32_t capacity) {
    void* raw = ::operator new(sizeof(Block) + capacity);
    return new (raw) Block{0, 0, capacity, nullptr};
}

void BlockBuffer::FreeBlock(Block* b) {
    b->~Block();
    ::operator delete(b);
}

BlockBuffer::Block* BlockBuffer::LinkNew(uint32_t capacity) {
    Block* b = NewBlock(std::max(capacity, minimum_));
    if (tail_ != nullptr) {
        tail_->next = b;
    } else {
        head_ = b;
    }
    tail_ = b;
    return b;
}

void BlockBuffer::Append(const uint8_t* bytes, uint32_t n) {
    if (n == 0) return;
    Guard g(lock_);
    uint32_t placed = 0;
    if (tail_ != nullptr) {
        placed = std::min(n, tail_->capacity - tail_->writePos);
        std::memcpy(tail_->data() + tail_->writePos, bytes, placed);
        tail_->writePos += placed;
    }
    if (placed < n) {
        Block* b = LinkNew(n);
        std::memcpy(b->data(), bytes + placed, n - placed);
        b->writePos = n - placed;
    }
    size_ += n;
}

uint8_t* BlockBuffer::Reserve(uint32_t n) {
    Guard g(lock_);
    return LinkNew(n)->data();
}

uint32_t BlockBuffer::Take(uint8_t* destination, uint32_t n) {
    Guard g(lock_);
    uint32_t taken = 0;
    while (head_ != nullptr) {
        Block* b = head_;
        const uint32_t count = std::min(n - taken, b->writePos - b->readPos);
        if (destination != nullptr && count > 0) {
            std::memcpy(destination + taken, b->data() + b->readPos, count);
        }
        b->readPos += count;
        taken += count;
        if (b->readPos < b->writePos) break;  // n reached inside this block
        if (b->next == nullptr) {
            if (b->capacity <= KeptBlockSize()) {
                b->readPos = b->writePos = 0;
            } else {
                FreeBlock(b);
                head_ = tail_ = nullptr;
            }
            break;
        }
        head_ = b->next;
        FreeBlock(b);
    }
    size_ -= taken;
    return taken;
}

uint32_t BlockBuffer::Size() const {
    Guard g(lock_);
    return size_;
}

void BlockBuffer::Clear() {
    Guard g(lock_);
    while (head_ != nullptr) {
        Block* next = head_->next;
        FreeBlock(head_);
        head_ = next;
    }
    tail_ = nullptr;
    size_ = 0;
}

uint32_t BlockBuffer::TailFree() const {
    Guard g(lock_);
    return tail_ != nullptr ? tail_->capacity - tail_->writePos : 0;
}

uint8_t* BlockBuffer::TailSpace() {
    Guard g(lock_);
    return tail_ != nullptr ? tail_->data() + tail_->writePos : nullptr;
}

void BlockBuffer::Commit(uint32_t n) {
    Guard g(lock_);
    if (tail_ == nullptr) return;
    n = std::min(n, tail_->capacity - tail_->writePos);
    tail_->writePos += n;
    size_ += n;
}

std::span<const uint8_t> BlockBuffer::Front() const {
    Guard g(lock_);
    // A kept block can be empty in front of one linked by Reserve after it was emptied.
    for (Block* b = head_; b != nullptr; b = b->next) {
        if (b->readPos < b->writePos) return {b->data() + b->readPos, b->writePos - b->readPos};
    }
    return {};
}

uint32_t BlockBuffer::KeptBlockSize() const {
    Guard g(lock_);
    return 4 * minimum_;
}

uint32_t BlockBuffer::MinimumBlockSize() const {
    Guard g(lock_);
    return minimum_;
}

void BlockBuffer::SetMinimumBlockSize(uint32_t minimumBlockSize) {
    Guard g(lock_);
    minimum_ = std::max<uint32_t>(minimumBlockSize, 1);
}

std::vector<BlockBuffer::BlockShape> BlockBuffer::Shapes() const {
    Guard g(lock_);
    std::vector<BlockShape> shapes;
    for (Block* b = head_; b != nullptr; b = b->next) {
        shapes.push_back({b->readPos, b->writePos, b->capacity});
    }
    return shapes;
}

}  // namespace orq
