#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Plans how inputs reach the names they should have inside a new archive.
// 7zz stores each input under its last path component and refuses two inputs
// that share one ("Duplicate filename on disk"). Such inputs go in separate
// passes; after each pass its entries are renamed out of the way, and at the
// end every input's entries are renamed to the name it should have.
class SevenZipAddPlan
{
public:
    SevenZipAddPlan() = delete;

    struct Input
    {
        // Absolute and clean.
        QString path;
        // Relative, "/"-separated, without "." or ".." components.
        QString name;
    };

    struct Rename
    {
        QString from;
        QString to;
    };

    // One 7zz run that adds `paths` (none in a final renaming step), then,
    // when there are any, one that applies all `renames` together.
    struct Step
    {
        QStringList paths;
        QList<Rename> renames;
    };

    // `scratchPrefix` starts the temporary names; no input name may start
    // with it.
    static QList<Step> make(const QList<Input>& inputs, const QString& scratchPrefix);

    static QString lastComponent(const QString& path) { return path.section(u'/', -1); }

private:
    static bool storesUnderOwnNames(const QList<Input>& inputs);
    static QList<QList<qsizetype>> passes(const QList<Input>& inputs);
};
