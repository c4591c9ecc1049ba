#include "Archive/PasswordPrompt.h"

#include <QString>

#include <atomic>

namespace {
std::atomic<PasswordPrompt*> currentPrompt { nullptr };
} // namespace

PasswordPrompt::~PasswordPrompt()
{
    PasswordPrompt* self = this;
    currentPrompt.compare_exchange_strong(self, nullptr);
}

void PasswordPrompt::askCurrent(const QString& message, Answer answer)
{
    if (PasswordPrompt* prompt = currentPrompt.load()) {
        prompt->ask(message, std::move(answer));
        return;
    }
    if (answer)
        answer(AlertResult::fail, QString());
}

void PasswordPrompt::setCurrent(PasswordPrompt* prompt)
{
    currentPrompt.store(prompt);
}

PasswordPrompt* PasswordPrompt::current()
{
    return currentPrompt.load();
}
