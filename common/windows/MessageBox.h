#pragma once

#include <functional>
#include <string>
#include <vector>

// Every message box of both programs goes through ShowMessageBox, so that tests can replace the
// dialog and read what would have been shown.

enum class TMessageIcon { None, Information, Warning, Error };

struct TMessageRecord {
    std::string Text;
    std::string Caption;
    TMessageIcon Icon = TMessageIcon::None;
    std::string Detail; // behind the box's "Show Details..." button; empty: none
};

using TMessageHandler = std::function<void(const TMessageRecord&)>;

// Shows a modal box with one OK button. An empty caption means the application title.
void ShowMessageBox(const std::string& text, const std::string& caption = std::string(),
                    TMessageIcon icon = TMessageIcon::None, const std::string& detail = std::string());

// A plain message: no icon, the application title as caption.
inline void ShowMessage(const std::string& text) {
    ShowMessageBox(text);
}

// An error box: caption "Error" unless given, error icon.
inline void ShowErrorBox(const std::string& text, const std::string& caption = "Error") {
    ShowMessageBox(text, caption, TMessageIcon::Error);
}

// The application title: the caption of plain messages ("Firmware Velmora" for the configurator).
void SetApplicationTitle(const std::string& title);
const std::string& ApplicationTitle();

// Replaces the dialog by a handler (tests); an empty handler brings the dialog back.
// Returns the handler that was installed before.
TMessageHandler SetMessageHandler(TMessageHandler handler);

// Installs a handler that records every message for as long as it lives.
class TMessageRecorder {
public:
    TMessageRecorder();
    ~TMessageRecorder();
    TMessageRecorder(const TMessageRecorder&) = delete;
    TMessageRecorder& operator=(const TMessageRecorder&) = delete;

    const std::vector<TMessageRecord>& Messages() const { return Records; }
    std::vector<std::string> Texts() const;
    void Clear() { Records.clear(); }

private:
    std::vector<TMessageRecord> Records;
    TMessageHandler Previous;
};
