#include "common/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

#include <utility>

namespace {

TMessageHandler& CurrentHandler() {
    static TMessageHandler handler;
    return handler;
}

std::string& Title() {
    static std::string title;
    return title;
}

QMessageBox::Icon ToQtIcon(TMessageIcon icon) {
    switch (icon) {
    case TMessageIcon::Information:
        return QMessageBox::Information;
    case TMessageIcon::Warning:
        return QMessageBox::Warning;
    case TMessageIcon::Error:
        return QMessageBox::Critical;
    case TMessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

void ShowMessageBox(const std::string& text, const std::string& caption, TMessageIcon icon) {
    TMessageRecord record{text, caption, icon};
    if (record.Caption.empty())
        record.Caption = ApplicationTitle();
    if (CurrentHandler()) {
        CurrentHandler()(record);
        return;
    }
    QMessageBox box(ToQtIcon(icon), QString::fromStdString(record.Caption), QString::fromStdString(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    // Texts carry paths and file contents: one that looks like markup must show as it is.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void SetApplicationTitle(const std::string& title) {
    Title() = title;
}

const std::string& ApplicationTitle() {
    return Title();
}

TMessageHandler SetMessageHandler(TMessageHandler handler) {
    return std::exchange(CurrentHandler(), std::move(handler));
}

TMessageRecorder::TMessageRecorder()
    : Previous(SetMessageHandler([this](const TMessageRecord& r) { Records.push_back(r); })) {}

TMessageRecorder::~TMessageRecorder() {
    SetMessageHandler(std::move(Previous));
}

std::vector<std::string> TMessageRecorder::Texts() const {
    std::vector<std::string> texts;
    for (const auto& r : Records)
        texts.push_back(r.Text);
    return texts;
}
