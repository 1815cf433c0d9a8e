// A friend's key presses: recorded and reported on the friend's side, played on the host's.
#include "net/presses.h"

namespace
{
constexpr unsigned PressNumbers = 65536;

// Whether press number a came after b, numbers wrapping.
bool Newer(unsigned a, unsigned b)
{
    const unsigned ahead = (a - b) % PressNumbers;
    return ahead != 0 && ahead < PressNumbers / 2;
}

template<typename Entry>
void RemoveAt(Entry* entries, int& count, int at)
{
    for (int n = at + 1; n < count; ++n)
    {
        entries[n - 1] = entries[n];
    }
    --count;
}

// Whether a press earlier than press n of the same key is down on the match.
bool KeyStillDown(const HeardPresses& heard, int n)
{
    for (int earlier = 0; earlier < n; ++earlier)
    {
        const HeardPress& press = heard.presses[earlier];
        if (press.key == heard.presses[n].key && press.stage == PressStage::Down)
        {
            return true;
        }
    }
    return false;
}

// One press of a report; the one before it in the report, or null.
void HearPress(HeardPresses& heard, const PressReport& report, const PressReport* before)
{
    for (int n = 0; n < heard.count; ++n)
    {
        HeardPress& press = heard.presses[n];
        if (press.number != report.number)
        {
            continue;
        }
        if (report.released)
        {
            press.released = true;
            press.heldMs = report.heldMs;
        }
        else if (!press.released && report.heldMs > press.heldMs)
        {
            press.heldMs = report.heldMs;
        }
        return;
    }
    if (heard.any && !Newer(report.number, heard.newest))
    {
        return; // played and forgotten already
    }
    if (heard.count == MaxHeardPresses)
    {
        int up = 0;
        while (up < heard.count && heard.presses[up].stage != PressStage::Up)
        {
            ++up;
        }
        if (up == heard.count)
        {
            return; // every kept press is under way
        }
        RemoveAt(heard.presses, heard.count, up);
        heard.lastDown = -1;
    }
    const bool follows = before != nullptr && heard.count > 0 &&
                         heard.presses[heard.count - 1].number == before->number &&
                         before->agoMs >= report.agoMs;
    heard.presses[heard.count++] = {report.number,
                                    report.key,
                                    report.released,
                                    report.heldMs,
                                    PressStage::Waiting,
                                    0,
                                    0,
                                    false,
                                    follows ? before->agoMs - report.agoMs : 0};
    heard.any = true;
    heard.newest = report.number;
}
} // namespace

void ForgetFriendPresses(FriendPresses& presses)
{
    presses.next = 0;
    presses.count = 0;
}

void NotePress(FriendPresses& presses, Key key, unsigned now)
{
    if (presses.count == MaxReportedPresses)
    {
        int oldest = 0;
        while (oldest < presses.count - 1 && !presses.presses[oldest].released)
        {
            ++oldest;
        }
        RemoveAt(presses.presses, presses.count, presses.presses[oldest].released ? oldest : 0);
    }
    presses.presses[presses.count++] = {presses.next, key, now, false, 0};
    presses.next = (presses.next + 1) % PressNumbers;
}

void NoteRelease(FriendPresses& presses, Key key, unsigned now)
{
    for (int n = 0; n < presses.count; ++n)
    {
        FriendPress& press = presses.presses[n];
        if (press.key == key && !press.released)
        {
            press.released = true;
            press.heldMs = now - press.since;
            return;
        }
    }
}

int ReportPresses(FriendPresses& presses, unsigned now, PressReport* out)
{
    for (int n = 0; n < presses.count;)
    {
        const FriendPress& press = presses.presses[n];
        const bool over = press.released && now - press.since - press.heldMs >= LetGoReportMs;
        over ? RemoveAt(presses.presses, presses.count, n) : static_cast<void>(++n);
    }
    for (int n = 0; n < presses.count; ++n)
    {
        const FriendPress& press = presses.presses[n];
        out[n] = {press.number, press.key, press.released,
                  press.released ? press.heldMs : now - press.since, now - press.since};
    }
    return presses.count;
}

void ForgetHeardPresses(HeardPresses& heard)
{
    heard.any = false;
    heard.newest = 0;
    heard.count = 0;
    heard.lastDown = -1;
}

void HearPresses(HeardPresses& heard, const PressReport* reports, int count)
{
    for (int n = 0; n < count; ++n)
    {
        HearPress(heard, reports[n], n > 0 ? &reports[n - 1] : nullptr);
    }
}

PressChange NextPressChange(HeardPresses& heard, unsigned now, unsigned steps, bool actsNext)
{
    for (int n = 0; n < heard.count; ++n)
    {
        HeardPress& press = heard.presses[n];
        const unsigned elapsed = now - press.downAt;
        const bool trusted = elapsed <= press.heldMs + HoldTrustMs;
        switch (press.stage)
        {
            case PressStage::Waiting:
                if (KeyStillDown(heard, n) ||
                    (n > 0 && now - heard.presses[n - 1].downAt < press.gapMs))
                {
                    return {}; // after the press before it, and the later ones after it
                }
                for (int earlier = 0; earlier < n; ++earlier)
                {
                    HeardPress& before = heard.presses[earlier];
                    if (before.key == press.key && before.stage == PressStage::Paused)
                    {
                        before.stage = PressStage::Up; // the friend has let it go since
                    }
                }
                press.stage = PressStage::Down;
                press.downAt = now;
                press.downStep = steps;
                press.repeats = false;
                heard.lastDown = n;
                return {true, press.key, true};
            case PressStage::Down:
                if (steps == press.downStep)
                {
                    break; // the match has not stepped with it yet
                }
                if (press.released && elapsed >= press.heldMs)
                {
                    press.stage = PressStage::Up;
                    return {true, press.key, false};
                }
                if (press.repeats && actsNext && !trusted)
                {
                    press.stage = PressStage::Paused;
                    return {true, press.key, false};
                }
                break;
            case PressStage::Paused:
                if (press.released && elapsed >= press.heldMs)
                {
                    press.stage = PressStage::Up; // let go on the match already
                }
                else if (press.repeats && trusted)
                {
                    press.stage = PressStage::Down;
                    heard.lastDown = n;
                    return {true, press.key, true};
                }
                break;
            case PressStage::Up:
                break;
        }
    }
    return {};
}

void NoteRepeats(HeardPresses& heard, bool repeats)
{
    if (heard.lastDown >= 0)
    {
        heard.presses[heard.lastDown].repeats = repeats;
    }
}

void LetGoRepeats(HeardPresses& heard)
{
    for (int n = 0; n < heard.count; ++n)
    {
        heard.presses[n].repeats = false;
    }
}
