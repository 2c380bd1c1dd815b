#pragma once
// The process-wide objects and services, owned by main and handed to every window that needs
// them. Nothing here is global: tests build as many independent sets as they like.

namespace orq {

class UnitSession;
class MessageBoxService;
class FileDialogService;
class ModalRunner;
class Skin;
class WindowNotifier;
class UnitHistory;

struct AppServices {
    UnitSession& session;  // the one session with the unit: its port, image and link state
    MessageBoxService& messages;
    FileDialogService& files;
    ModalRunner& modal;
    Skin& skin;
    WindowNotifier& notifier;
    UnitHistory& history;  // the way back from what was sent to the unit on this connection
};

}  // namespace orq
