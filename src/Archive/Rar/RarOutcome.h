#pragma once

// How one run of an extraction engine ended.
struct RarOutcome
{
    enum class Kind
    {
        succeeded,
        cancelled,
        failed,
    };

    Kind kind = Kind::succeeded;
    int errorCode = 0; // a RarArchive::ErrorCode when failed

    static RarOutcome success() { return {}; }
    static RarOutcome cancellation() { return { Kind::cancelled, 0 }; }
    static RarOutcome failure(int code) { return { Kind::failed, code }; }

    bool succeeded() const { return kind == Kind::succeeded; }
    bool cancelled() const { return kind == Kind::cancelled; }
    bool failed() const { return kind == Kind::failed; }
};
