#include "Archive/Run/PasswordStep.h"

#include "Archive/PasswordPrompt.h"
#include "Archive/Plumbing/Diagnostics.h"
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
