#include "platform/QtDialogs.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>

namespace tesselin {
namespace {

QString toQString(const std::string& text) {
    // Boxes show CR LF line ends as plain line breaks.
    return QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// The window a box belongs to, and stays in front of: the modal window that
// asks (the results window asks its questions before a window manager may
// have made it the active window), else the active window.
QWidget* owner() {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        return modal;
    }
    return QApplication::activeWindow();
}

// "Excel (*.xls)|*.xls|Text (*.txt)|*.txt" -> {"Excel (*.xls)", "Text (*.txt)"},
// each entry carrying its pattern in parentheses as Qt expects.
QStringList nameFilters(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString& pattern = parts[i + 1];
        filters << (description.contains(QLatin1Char('('))
                        ? description
                        : description + QStringLiteral(" (") + pattern + QLatin1Char(')'));
    }
    return filters;
}

std::optional<FileChoice> runFileDialog(const FileRequest& request, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(owner());
    dialog.setAcceptMode(mode);
    dialog.setFileMode(request.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    // The program asks its own overwrite question.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList filters = nameFilters(request.filter);
    dialog.setNameFilters(filters);
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size()) {
        dialog.selectNameFilter(filters[request.filterIndex - 1]);
    }
    if (!request.directory.empty()) {
        dialog.setDirectory(QFile::decodeName(QByteArray::fromStdString(request.directory)));
    }
    dialog.selectFile(QString::fromStdString(request.fileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const auto selected = filters.indexOf(dialog.selectedNameFilter());
    return FileChoice{QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString(),
                      selected >= 0 ? static_cast<int>(selected) + 1 : request.filterIndex};
}

}  // namespace

MessageAnswer QtDialogs::messageBox(const MessageRequest& request) {
    QMessageBox box(owner());
    box.setWindowTitle(toQString(request.title));
    box.setText(toQString(request.text));
    switch (request.icon) {
        case MessageIcon::None:
            box.setIcon(QMessageBox::NoIcon);
            break;
        case MessageIcon::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
        case MessageIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case MessageIcon::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case MessageIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
    }

    std::vector<std::pair<QMessageBox::StandardButton, MessageAnswer>> buttons;
    switch (request.buttons) {
        case MessageButtons::Ok:
            buttons = {{QMessageBox::Ok, MessageAnswer::Ok}};
            break;
        case MessageButtons::OkCancel:
            buttons = {{QMessageBox::Ok, MessageAnswer::Ok},
                       {QMessageBox::Cancel, MessageAnswer::Cancel}};
            break;
        case MessageButtons::YesNoCancel:
            buttons = {{QMessageBox::Yes, MessageAnswer::Yes},
                       {QMessageBox::No, MessageAnswer::No},
                       {QMessageBox::Cancel, MessageAnswer::Cancel}};
            break;
        case MessageButtons::YesNo:
            buttons = {{QMessageBox::Yes, MessageAnswer::Yes},
                       {QMessageBox::No, MessageAnswer::No}};
            break;
    }
    QMessageBox::StandardButtons set;
    for (const auto& [button, answer] : buttons) {
        set |= button;
    }
    box.setStandardButtons(set);
    const auto defaultIndex = static_cast<std::size_t>(request.defaultButton - 1);
    if (defaultIndex < buttons.size()) {
        box.setDefaultButton(buttons[defaultIndex].first);
    }

    const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const auto& [button, answer] : buttons) {
        if (button == pressed) {
            return answer;
        }
    }
    // Escape or the close box: the cancelling answer where there is one.
    const bool hasCancel = request.buttons == MessageButtons::OkCancel ||
                           request.buttons == MessageButtons::YesNoCancel;
    return hasCancel ? MessageAnswer::Cancel : buttons.back().second;
}

std::string QtDialogs::inputBox(const InputRequest& request) {
    bool accepted = false;
    const QString text = QInputDialog::getText(
        owner(), toQString(request.title), toQString(request.prompt), QLineEdit::Normal,
        QString::fromStdString(request.defaultText), &accepted);
    return accepted ? text.toStdString() : std::string();
}

std::optional<FileChoice> QtDialogs::openFile(const FileRequest& request) {
    return runFileDialog(request, QFileDialog::AcceptOpen);
}

std::optional<FileChoice> QtDialogs::saveFile(const FileRequest& request) {
    return runFileDialog(request, QFileDialog::AcceptSave);
}

}  // namespace tesselin
