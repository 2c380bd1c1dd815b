#pragma once
// The process-wide objects and services, owned by main and handed to every window that needs
// them. Nothing here is global: tests build as many independent sets as they like.

namespace orq {

struct ParameterBlock;
struct LinkState;
class SerialPort;
class MessageBoxService;
class FileDialogService;
class ModalRunner;
class Skin;
class WindowNotifier;

struct AppServices {
    ParameterBlock& block;
    LinkState& link;
    SerialPort* port;  // the one serial port
    MessageBoxService& messages;
    FileDialogService& files;
    ModalRunner& modal;
    Skin& skin;
    WindowNotifier& notifier;
};

}  // namespace orq
