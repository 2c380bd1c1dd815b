#pragma once
// What a benchmark hands the GUI rooms for the services it never uses: no skin to apply, and
// message boxes, file dialogs and modal boxes that a measured run never opens. A figure taken
// while a box waits for a click would be meaningless, so they return at once.

#include "framework/Services.h"
#include "framework/Skin.h"

namespace orq::bench {

class NoSkin : public Skin {
public:
    void Start(const char*, const char*, int, int, int) override {}
    void Stop() override {}
    void Apply(QWidget*, int) override {}
    void SetSlider(QWidget*, int, int, int, int, int, int) override {}
};

class Untouched : public MessageBoxService, public FileDialogService, public ModalRunner {
public:
    void Show(QWidget*, const QString&) override {}
    FileDialogResult Run(QWidget*, const FileDialogRequest&) override { return {}; }
    int RunModal(QDialog&) override { return 0; }
};

}  // namespace orq::bench
