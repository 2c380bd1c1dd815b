#include "app/AboutDlg.h"

#include <QPushButton>

namespace orq {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    controls_ = BuildDialog(kTemplate100, this);
    setFixedSize(controls_.Size());
    connect(controls_.Button(1), &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace orq
