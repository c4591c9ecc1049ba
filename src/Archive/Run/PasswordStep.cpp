#include "Archive/Run/PasswordStep.h"

#include "Archive/PasswordPrompt.h"
#include "Archive/Plumbing/Diagnostics.h"
#include "Archive/Run/JobOutcome.h"
#include "Resources/LocalizedText.h"

namespace {
void writeUnanswered(AlertResult result)
{
    switch (result) {
    case AlertResult::ok:
        return;
    case AlertResult::cancel:
        Diagnostics::writeLine("取消按钮点击");
        return;
    case AlertResult::fail:
        Diagnostics::writeLine("弹窗失败");
        return;
    case AlertResult::autoClose:
        Diagnostics::writeLine("自动关闭");
        return;
    }
}
} // namespace

void PasswordStep::ask(PasswordPrompt* prompt, Answered answered)
{
    auto answer = [answered = std::move(answered)](AlertResult result, const QString& text) {
        writeUnanswered(result);
        answered(result == AlertResult::ok ? std::optional<QString>(text) : std::nullopt, result);
    };
    if (prompt)
        prompt->ask(localizedText("enter_password"), std::move(answer));
    else
        PasswordPrompt::askCurrent(localizedText("enter_password"), std::move(answer));
}

void PasswordStep::askBeforeExtracting(const Extraction& job, std::function<void(const QString&)> start)
{
    ask(job.prompt, [job, start = std::move(start)](const std::optional<QString>& text, AlertResult result) {
        if (!text) {
            job.output.remove();
            if (job.endedWithoutResult)
                job.endedWithoutResult(result);
            return;
        }
        if (text->isEmpty()) {
            job.output.remove();
            JobOutcome::finish(job.completion, false, ArchiveErrorType::passwordEmpty);
            return;
        }
        if (job.isCancelled()) {
            // Too late: the folder went with the cancel and nothing starts.
            job.output.remove();
            JobOutcome::finish(job.completion, false, ArchiveErrorType::cancelled);
            return;
        }
        start(*text);
    });
}
