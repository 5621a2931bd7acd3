// boardcall.h - one call of the simulated library: counts it, applies an
// injected delay and fault, checks the board handle, decides how much of a flash
// change goes through, traces the result and cuts the power where board.ini
// says so.
#pragma once

#include "boardsession.h"
#include "simboard.h"
#include "tracelog.h"

#include <cstdint>
#include <functional>
#include <string>

namespace simboard {

// How much of its flash change a call carries out.
enum class Extent {
    Whole,
    Part, // a partial fault, or the power cut inside the call
};

// What a call that stops part-way has done of a change of `whole` units
// (bytes, 16-bit units or an erase region): the first half, rounded down.
// Real NOR parts erase and program in order, so an interrupted operation
// leaves its start done and its end as it was.
inline uint32_t PartOf(uint32_t whole, Extent extent) {
    return extent == Extent::Whole ? whole : whole / 2;
}

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

    // A call that changes the flash or a board file calls this once its
    // arguments have passed their checks, just before it changes anything,
    // and then carries out the extent returned. Counts the flash change.
    Extent BeginChange();
    // Records an operation that broke a NOR rule (the call goes on).
    void IllegalNorOp(const std::string& what);

    // A call that needs no open board.
    int Run(const std::function<int()>& body);
    // A call on the open board `hBoard`: fails when it is not the open one.
    int RunOnBoard(int hBoard, const std::function<int()>& body);

private:
    const Fault* FindFault() const;
    // Waits as board.ini's delay for this call says, before anything else.
    void WaitIfSlow() const;
    int Finish(int result);
    void CutPower(const std::string& traceLine) const;

    BoardSession& m_session;
    TraceLine m_trace;
    int m_failure;
    int m_callNumber;
    std::string m_dir;
    BoardConfig m_config;
    bool m_haveConfig = false;
    bool m_partialFault = false; // a partial fault lets the body do part of its change
    int m_changeNumber = 0;      // this call's flash change since the open, 0 for none
    bool m_cutInside = false;
};

} // namespace simboard
