#include "Alerts/FileDialogOpenPanel.h"

#include <QFileDialog>

void FileDialogOpenPanel::beginSheet(QWidget* window, const Options& options, Completion completion)
{
    auto dialog = new QFileDialog(window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(options.canChooseFiles ? QFileDialog::ExistingFiles : QFileDialog::Directory);
    dialog->setLabelText(QFileDialog::Accept, options.prompt);
    dialog->setWindowTitle(options.message);
    QObject::connect(dialog, &QFileDialog::finished, dialog,
                     [dialog, completion = std::move(completion)](int result) {
                         completion(result == QDialog::Accepted ? dialog->selectedUrls() : QList<QUrl>());
                     });
    dialog->open();
}
