// boardcall.cpp - the common frame of every simulated library call.
#include "boardcall.h"

#include "boardconfig.h"
#include "boardfolder.h"
#include "winfile.h"

#include <windows.h>

namespace simboard {

BoardCall::BoardCall(BoardSession& session, const char* function, int failure)
    : m_session(session), m_trace(function), m_failure(failure),
      m_callNumber(session.CountCall(function)) {
    m_dir = session.IsOpen() ? session.Dir() : BoardDirFromEnvironment();
    m_haveConfig = !m_dir.empty() && LoadConfig(m_dir, m_config);
}

bool BoardCall::Faulted(int& result) const {
    if (!m_haveConfig)
        return false;
    for (const Fault& fault : m_config.faults) {
        if (fault.function == m_trace.Function() && fault.nthCall == m_callNumber) {
            result = fault.result;
            return true;
        }
    }
    return false;
}

int BoardCall::Run(const std::function<int()>& body) {
    int result = m_failure;
    if (Faulted(result))
        return Finish(result);
    return Finish(body());
}

int BoardCall::RunOnBoard(int hBoard, const std::function<int()>& body) {
    int result = m_failure;
    if (Faulted(result))
        return Finish(result);
    if (!m_session.IsHandle(hBoard) || !m_haveConfig)
        return Finish(m_failure);
    return Finish(body());
}

int BoardCall::Finish(int result) {
    // Only a board folder gets a trace: an empty folder must stay empty until
    // the enumeration makes a board of it.
    if (m_dir.empty() || !FileExists(JoinPath(m_dir, kConfigFileName)))
        return result;
    AppendTraceLine(m_dir, m_trace.Format(result));
    if (m_flashChanged) {
        int changes = m_session.CountFlashChange();
        if (m_haveConfig && m_config.powerCutAfter > 0 && changes >= m_config.powerCutAfter) {
            AppendTraceLine(m_dir, kPowerCutLine);
            TerminateProcess(GetCurrentProcess(), static_cast<UINT>(kPowerCutExitCode));
        }
    }
    return result;
}

} // namespace simboard
