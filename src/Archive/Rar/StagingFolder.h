#pragma once

#include <QString>

// A private, empty folder beside the extraction folder where an engine writes
// before anything is moved into place. It lies on the same file system as the
// extraction folder, so moving out of it is a rename. Removed with everything
// in it when dropped, whatever the engine left there.
class StagingFolder
{
public:
    // Creates the folder next to `destination` (in its parent, after links).
    explicit StagingFolder(const QString& destination);
    ~StagingFolder();
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    bool isValid() const { return !m_path.isEmpty(); }
    // 0, or the errno of the failed creation.
    int error() const { return m_error; }
    QString path() const { return m_path; }
    // Empties the folder for a fresh start; false when that failed.
    bool clear();

    // Removes the folder and everything below it, links as links; also
    // folders the engine left without write or search permission.
    static bool removeTree(const QString& path);

private:
    QString m_path;
    int m_error = 0;
};
