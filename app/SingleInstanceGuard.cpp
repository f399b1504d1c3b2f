#include "SingleInstanceGuard.h"

// No "Global\\" or "Local\\" prefix: the name lives in the session's own
// namespace, so each logon session may run one copy.
CMultipleInstancePreventer::CMultipleInstancePreventer()
    : m_mutex(nullptr), m_mutexName(L"QuillmereHotkeySettingsMutex")
{
}

CMultipleInstancePreventer::~CMultipleInstancePreventer()
{
    if (m_mutex) {
        CloseHandle(m_mutex);
        m_mutex = nullptr;
    }
}

bool CMultipleInstancePreventer::IsFirstInstance()
{
    if (!m_mutexName || !*m_mutexName)
        return false;
    // Keep the handle even when the mutex already existed; the destructor closes it.
    m_mutex = CreateMutexW(nullptr, FALSE, m_mutexName);
    if (!m_mutex)
        return false;
    return GetLastError() != ERROR_ALREADY_EXISTS;
}
