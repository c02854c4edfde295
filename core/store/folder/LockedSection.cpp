#include "LockedSection.h"

#include "CoreContext.h"
#include "WatchDog.h"

LockedSection::LockedSection(CoreContext &context)
    : m_context(context),
      m_lock(context.params.queuePath, [&context](const QString &line) { context.log(line); })
{
    m_outer = m_context.setPrompter(m_heldBack);
}

LockedSection::~LockedSection()
{
    close();
}

bool LockedSection::acquire(Failure &failure)
{
    const bool outermost = QueueLock::holdHere(m_context.params.queuePath) == 0;
    if (!m_lock.acquire(failure))
        return false;
    if (outermost && queueNewerThanSignal(m_context.params))
        updateWatchDog(m_context);
    return true;
}

void LockedSection::close()
{
    if (!m_outer)
        return;
    m_lock.release();
    m_context.setPrompter(*m_outer);
    m_outer = nullptr;
    for (const HeldBack::Box &box : std::as_const(m_heldBack.boxes))
        m_context.prompter().message(box.text, box.title, box.icon);
}

void LockedSection::HeldBack::message(const QString &text, const QString &title, Icon icon)
{
    boxes.append({text, title, icon});
}

bool LockedSection::HeldBack::ask(const QString &, const QString &, Icon)
{
    Q_ASSERT_X(false, "LockedSection", "no question may be asked while the queue is locked");
    return false;
}
