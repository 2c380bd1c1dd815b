#pragma once
// A byte queue made of linked blocks. The serial port's wait thread fills its receive buffer while
// the user-interface thread drains it, so this lock is the one lock those two threads share.
//
// Every operation takes the lock itself. The lock is recursive, so a caller that needs several
// operations to appear as one (or reads straight into the tail) holds `Lock()` around them and may
// still call the others, `Size` included.

#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

namespace orq {

class BlockBuffer {
public:
    static constexpr uint32_t kDefaultMinimumBlock = 1024;

    explicit BlockBuffer(uint32_t minimumBlockSize = kDefaultMinimumBlock);
    virtual ~BlockBuffer();
    BlockBuffer(const BlockBuffer&) = delete;
    BlockBuffer& operator=(const BlockBuffer&) = delete;

    std::recursive_mutex& Lock() const { return lock_; }

    // Fills the free space of the tail block, then puts what is left into one new block of
    // capacity max(minimum, n).
    void Append(const uint8_t* bytes, uint32_t n);
    // Links a new empty block of capacity max(n, minimum) and returns its data, for a caller that
    // reads straight into the tail and then calls Commit.
    uint8_t* Reserve(uint32_t n);
    // Moves up to n bytes from the front into `destination` (discards them when it is null);
    // returns the count. An emptied block is released unless it is the last one and small
    // (capacity <= KeptBlockSize()): that one stays, both positions back at 0, for reuse.
    uint32_t Take(uint8_t* destination, uint32_t n);
    // The largest block Take keeps for reuse: 4 x minimum. A writer that fills blocks no larger
    // than this, for a reader that keeps up, allocates nothing once the first one is there.
    uint32_t KeptBlockSize() const;
    uint32_t Size() const;
    void Clear();

    // Reading straight into the tail: free bytes after its write position (0 without a block),
    // where they start, and how many were put there.
    uint32_t TailFree() const;
    uint8_t* TailSpace();
    void Commit(uint32_t n);
    // The unread bytes of the first block: what a writer can hand to the device in one piece.
    std::span<const uint8_t> Front() const;

    uint32_t MinimumBlockSize() const;
    void SetMinimumBlockSize(uint32_t minimumBlockSize);

    // Block shapes from head to tail, for checks of how the bytes are laid out.
    struct BlockShape {
        uint32_t readPos, writePos, capacity;
        bool operator==(const BlockShape&) const = default;
    };
    std::vector<BlockShape> Shapes() const;

private:
    struct Block {
        uint32_t readPos;
        uint32_t writePos;
        uint32_t capacity;
        Block* next;
        uint8_t* data() { return reinterpret_cast<uint8_t*>(this + 1); }
    };
    static Block* NewBlock(uint32_t capacity);
    static void FreeBlock(Block* b);
    Block* LinkNew(uint32_t capacity);

    mutable std::recursive_mutex lock_;
    Block* head_ = nullptr;
    Block* tail_ = nullptr;
    uint32_t size_ = 0;
    uint32_t minimum_;
};

}  // namespace orq
