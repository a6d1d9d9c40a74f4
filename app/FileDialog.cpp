#include "app/FileDialog.h"

#include <QFileDialog>

namespace {

std::optional<QString>& NextFileName() {
    static std::optional<QString> path;
    return path;
}

std::optional<FileDialog::Request>& Last() {
    static std::optional<FileDialog::Request> request;
    return request;
}

}  // namespace

QString FileDialog::GetOpenFileName(QWidget* parent, const QString& objectName,
                                    const QString& caption, const QString& directory,
                                    const QString& filter) {
    Last() = Request{objectName, caption, directory, filter};
    if (NextFileName()) {
        const QString path = *NextFileName();
        NextFileName().reset();
        return path;
    }
    QFileDialog dialog(parent, caption, directory, filter);
    dialog.setObjectName(objectName);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted) return QString();
    return dialog.selectedFiles().value(0);
}

void FileDialog::SetNextFileName(const QString& path) { NextFileName() = path; }

std::optional<FileDialog::Request> FileDialog::LastRequest() { return Last(); }

void FileDialog::ClearLastRequest() { Last().reset(); }
