#pragma once
// Return in an edit box commits its value, on every keyboard message that carries the key: as it
// goes down (and again for each auto-repeat) and as it comes up, before the box handles it. That
// is how the system's pre-translation sees the key, so one press commits, and sends, twice.
//
//     returns_ = new orq::ReturnCommits([this](int id) { CommitEdit(id); }, this);
//     returns_->Watch(controls_.Edit(1014));

#include <QObject>

#include <functional>

class QLineEdit;

namespace orq {

class ReturnCommits : public QObject {
    Q_OBJECT
public:
    using Commit = std::function<void(int editId)>;
    ReturnCommits(Commit commit, QObject* parent);
    void Watch(QLineEdit* edit);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Commit commit_;
};

}  // namespace orq
