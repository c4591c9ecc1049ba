#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class FileDescriptor;

// The file or folder a job reserved for its output, known by path and held
// open by identity. Removing it takes it only while the path still names
// what the job made: once a cancel has removed it, another job may take the
// freed name, and a second removal must not take that job's output. Holding
// it keeps its inode from being given to whatever is made there next.
class JobOutput
{
public:
    JobOutput() = default;

    // Takes `path`, just made by this job, as its output.
    static JobOutput adopt(const QString& path);

    bool isEmpty() const { return m_path.isEmpty(); }
    const QString& path() const { return m_path; }

    // The path still names what the job made.
    bool isStillThere() const;

    // Deletes the output (a folder with its content, links never followed)
    // when the path still names it; otherwise leaves whatever is there.
    void remove() const;

private:
    QString m_path;
    std::shared_ptr<const FileDescriptor> m_held;
};
