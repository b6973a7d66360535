#pragma once

#include <QByteArray>
#include <QFile>
#include <QSettings>
#include <QString>
#include <filesystem>
#include <string>
#include <system_error>

namespace tesselin {

// The file dialogs start in the folder last used for their purpose, in this
// run or an earlier one: opening data, and saving (results and pictures).
// The folders live in the application's QSettings.
enum class FolderUse { Open, Save };

inline QString folderSetting(FolderUse use) {
    return use == FolderUse::Open ? QStringLiteral("folders/open") : QStringLiteral("folders/save");
}

// The folder the dialogs of this use start in; empty (the working folder)
// before any was used, or when the folder has gone since.
inline std::string startFolder(FolderUse use) {
    const QString folder = QSettings().value(folderSetting(use)).toString();
    if (folder.isEmpty()) {
        return {};
    }
    const std::string path = QFile::encodeName(folder).toStdString();
    std::error_code ec;
    return std::filesystem::is_directory(path, ec) ? path : std::string();
}

// Remembers the folder of a file the user chose.
inline void rememberFolderOf(FolderUse use, const std::filesystem::path& chosen) {
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::absolute(chosen, ec).parent_path();
    if (ec || folder.empty()) {
        return;
    }
    QSettings().setValue(folderSetting(use),
                         QFile::decodeName(QByteArray::fromStdString(folder.string())));
}

}  // namespace tesselin
