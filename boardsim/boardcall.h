// boardcall.h - one call of the simulated library: counts it, applies an
// injected fault, checks the board handle, traces the result and cuts the
// power when the configured number of flash changes has been reached.
#pragma once

#include "boardsession.h"
#include "simboard.h"
#include "tracelog.h"

#include <functional>
#include <string>

namespace simboard {

class BoardCall {
public:
    // `failure` is the function's failure result (-1, or 0 for calls that
    // return a handle or a found flag).
    BoardCall(BoardSession& session, const char* function, int failure = -1);

    TraceLine& Args() { return m_trace; }
    BoardSession& Session() { return m_session; }
    const std::string& Dir() const { return m_dir; }
    BoardConfig& Config() { return m_config; }
    int Failure() const { return m_failure; }

    // Records that this call changed the flash or the board file system.
    void FlashChanged() { m_flashChanged = true; }

    // A call that needs no open board.
    int Run(const std::function<int()>& body);
    // A call on the open board `hBoard`: fails when it is not the open one.
    int RunOnBoard(int hBoard, const std::function<int()>& body);

private:
    bool Faulted(int& result) const;
    int Finish(int result);

    BoardSession& m_session;
    TraceLine m_trace;
    int m_failure;
    int m_callNumber;
    std::string m_dir;
    BoardConfig m_config;
    bool m_haveConfig = false;
    bool m_flashChanged = false;
};

} // namespace simboard
