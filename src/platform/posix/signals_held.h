#pragma once

#include <array>
#include <csignal>
#include <pthread.h>

namespace beatplate {

// The signals that end the process unless we take them: the terminal's Ctrl+C, kill, and the
// terminal going away.
inline constexpr std::array kEndingSignals{ SIGINT, SIGTERM, SIGHUP };
// The ones of them that ask the program to stop: it takes them while StopOnInterrupt lives.
inline constexpr std::array kInterruptSignals{ SIGINT, SIGTERM };

// Holds back the ending signals in this thread while it lives, so that no signal falls between
// two steps that must happen together (a hidden name made and armed for removal).
class SignalsHeld {
public:
    SignalsHeld()
    {
        sigset_t signals;
        sigemptyset(&signals);
        for (const int signalNumber : kEndingSignals)
            sigaddset(&signals, signalNumber);
        pthread_sigmask(SIG_BLOCK, &signals, &m_previous);
    }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;
    ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &m_previous, nullptr); }

private:
    sigset_t m_previous{};
};

} // namespace beatplate
