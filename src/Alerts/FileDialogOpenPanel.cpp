#include "Alerts/FileDialogOpenPanel.h"

#include "Alerts/FileDialogLayout.h"
#include "Alerts/FilesAndFoldersDialog.h"

namespace {
QFileDialog* dialogFor(QWidget* window, const OpenPanel::Options& options)
{
    if (options.canChooseFiles && options.canChooseDirectories)
        return new FilesAndFoldersDialog(window, options.allowsMultipleSelection);
    auto dialog = new QFileDialog(window);
    if (options.canChooseDirectories) {
        dialog->setFileMode(QFileDialog::Directory);
        dialog->setOption(QFileDialog::ShowDirsOnly);
    } else {
        dialog->setFileMode(options.allowsMultipleSelection ? QFileDialog::ExistingFiles
                                                            : QFileDialog::ExistingFile);
    }
    return dialog;
}

QList<QUrl> chosenIn(const QFileDialog* dialog)
{
    if (auto filesAndFolders = qobject_cast<const FilesAndFoldersDialog*>(dialog))
        return filesAndFolders->chosenUrls();
    return dialog->selectedUrls();
}
} // namespace

void FileDialogOpenPanel::beginSheet(QWidget* window, const Options& options, Completion completion)
{
    QFileDialog* dialog = dialogFor(window, options);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    if (auto filesAndFolders = qobject_cast<FilesAndFoldersDialog*>(dialog))
        filesAndFolders->setAcceptLabel(options.prompt);
    else if (!options.prompt.isEmpty())
        dialog->setLabelText(QFileDialog::Accept, options.prompt);
    dialog->setWindowTitle(options.message);
    FileDialogLayout::fitContents(dialog);
    // finished comes once per opening, for every way the dialog closes.
    QObject::connect(dialog, &QFileDialog::finished, dialog,
                     [dialog, completion = std::move(completion)](int result) {
                         completion(result == QDialog::Accepted ? chosenIn(dialog) : QList<QUrl>());
                     });
    dialog->open();
}
