#pragma once
// Undoing a temporary change however a scope ends: by return, by EAbort or
// by any other exception a command throws.

#include <functional>
#include <utility>

// Runs its action when it goes out of scope, unless dismissed first. The
// action runs during stack unwinding, so it must not throw.
class TScopeGuard
{
public:
    explicit TScopeGuard(std::function<void()> onExit) : m_onExit(std::move(onExit)) {}
    ~TScopeGuard()
    {
        if (m_onExit)
            m_onExit();
    }
    TScopeGuard(const TScopeGuard &) = delete;
    TScopeGuard &operator=(const TScopeGuard &) = delete;

    // The change is to stay: the action will not run.
    void Dismiss() { m_onExit = nullptr; }

private:
    std::function<void()> m_onExit;
};

// Gives a flag a value for the length of a scope and then puts back the
// value it had, so guards over the same flag nest.
class TFlagSetter
{
public:
    explicit TFlagSetter(bool &flag, bool value = true)
        : m_restore([&flag, previous = flag] { flag = previous; })
    {
        flag = value;
    }

private:
    TScopeGuard m_restore;
};
