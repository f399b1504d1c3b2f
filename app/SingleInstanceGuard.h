// Keeps a second copy of the program from running in the same logon session.
#pragma once

#include <windows.h>

// Owns a named mutex whose existence marks a running copy. The mutex is never
// waited on; closing the handle (in the destructor) removes the marker.
class CMultipleInstancePreventer {
public:
    CMultipleInstancePreventer();
    virtual ~CMultipleInstancePreventer();

    // False when another copy holds the marker or the mutex cannot be created.
    bool IsFirstInstance();

private:
    CMultipleInstancePreventer(const CMultipleInstancePreventer&) = delete;
    CMultipleInstancePreventer& operator=(const CMultipleInstancePreventer&) = delete;

    HANDLE m_mutex;
    const wchar_t* m_mutexName;
};
