// boardcall.cpp - the common frame of every simulated library call.
#include "boardcall.h"

#include "boardconfig.h"
#include "boardfolder.h"
#include "illegalnorlog.h"
#include "winfile.h"

#include <windows.h>

namespace simboard {

BoardCall::BoardCall(BoardSession& session, const char* function, int failure)
    : m_session(session), m_trace(function), m_failure(failure),
      m_callNumber(session.CountCall(function)) {
    m_dir = session.IsOpen() ? session.Dir() : BoardDirFromEnvironment();
    m_haveConfig = !m_dir.empty() && LoadConfig(m_dir, m_config);
}

const Fault* BoardCall::FindFault() const {
    if (!m_haveConfig)
        return nullptr;
    for (const Fault& fault : m_config.faults) {
        if (fault.function == m_trace.Function() && fault.nthCall == m_callNumber)
            return &fault;
    }
    return nullptr;
}

void BoardCall::WaitIfSlow() const {
    if (!m_haveConfig)
        return;
    for (const Delay& delay : m_config.delays) {
        if (delay.function == m_trace.Function() && delay.nthCall == m_callNumber)
            Sleep(static_cast<DWORD>(delay.ms));
    }
}

int BoardCall::Run(const std::function<int()>& body) {
    WaitIfSlow();
    if (const Fault* fault = FindFault())
        return Finish(fault->result);
    return Finish(body());
}

int BoardCall::RunOnBoard(int hBoard, const std::function<int()>& body) {
    WaitIfSlow();
    const bool usable = m_session.IsHandle(hBoard) && m_haveConfig;
    const Fault* fault = FindFault();
    if (fault != nullptr && !(fault->partial && usable && IsFlashChangingCall(m_trace.Function())))
        return Finish(fault->result);
    if (!usable)
        return Finish(m_failure);
    m_partialFault = fault != nullptr;
    const int result = body();
    return Finish(m_partialFault ? fault->result : result);
}

Extent BoardCall::BeginChange() {
    if (m_changeNumber == 0) {
        m_changeNumber = m_session.CountFlashChange();
        m_cutInside = m_haveConfig && m_config.powerCutInside == m_changeNumber;
    }
    return m_partialFault || m_cutInside ? Extent::Part : Extent::Whole;
}

void BoardCall::IllegalNorOp(const std::string& what) {
    if (m_haveConfig)
        RecordIllegalNorOp(m_dir, m_config, m_trace.Call() + ": " + what);
}

void BoardCall::CutPower(const std::string& traceLine) const {
    AppendTraceLine(m_dir, traceLine);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(kPowerCutExitCode));
}

int BoardCall::Finish(int result) {
    // Only a board folder gets a trace: an empty folder must stay empty until
    // the enumeration makes a board of it.
    if (m_dir.empty() || !FileExists(JoinPath(m_dir, kConfigFileName)))
        return result;
    // Cut inside: the call never returns, so it has no result line.
    if (m_cutInside)
        CutPower(std::string(kPowerCutLine) + " inside " + m_trace.Call());
    AppendTraceLine(m_dir, m_trace.Format(result));
    if (m_changeNumber > 0 && m_haveConfig && m_config.powerCutAfter > 0 &&
        m_changeNumber >= m_config.powerCutAfter)
        CutPower(kPowerCutLine);
    return result;
}

} // namespace simboard
