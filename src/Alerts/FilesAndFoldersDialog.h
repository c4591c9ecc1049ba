#pragma once

#include <QFileDialog>
#include <QList>
#include <QUrl>

// A file dialog in which files and folders are chosen together: the views
// select several rows at once, and confirming takes the selected rows as
// they are instead of opening a selected folder. Always Qt's own dialog,
// since the desktop's dialogs cannot do this.
class FilesAndFoldersDialog : public QFileDialog
{
    Q_OBJECT

public:
    explicit FilesAndFoldersDialog(QWidget* parent = nullptr, bool allowsMultipleSelection = true);

    // What the user confirmed, in the order of the rows; valid once the
    // dialog has been accepted.
    QList<QUrl> chosenUrls() const;
    // The confirming button's title, whatever is selected.
    void setAcceptLabel(const QString& label);

public slots:
    void accept() override;

private:
    void keepAcceptLabel();
    QList<QUrl> selectedRowUrls() const;

    QString m_acceptLabel;
    QList<QUrl> m_chosen;
};
