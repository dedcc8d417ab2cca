#include "platform/linux/PendingKeyChoice.h"

void PendingKeyChoice::choose(LinuxKeys keys)
{
    m_chosen = std::move(keys);
    if (m_isPromptWanted)
        m_chosen.permission->requestPrompt();
}

bool PendingKeyChoice::pressArrow(Arrow arrow) { return m_chosen.injector && m_chosen.injector->pressArrow(arrow); }

bool PendingKeyChoice::isTrusted() { return m_chosen.permission && m_chosen.permission->isTrusted(); }

void PendingKeyChoice::requestPrompt()
{
    if (m_chosen.permission)
        m_chosen.permission->requestPrompt();
    else
        m_isPromptWanted = true;
}

PendingKeyPermission::PendingKeyPermission(PendingKeyChoice& choice)
    : m_choice(choice)
{
}

bool PendingKeyPermission::isTrusted() { return m_choice.isTrusted(); }

void PendingKeyPermission::requestPrompt() { m_choice.requestPrompt(); }
