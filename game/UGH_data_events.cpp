// Event scripts: a list of events that one cell event carries out in turn, three lines an event.
#include "UGH_data.h"

#include "ZODLog.h"

std::vector<evtriple> EventScriptEntries(const TLineBuffer& lines)
{
    const int complete = lines.Count() / 3;
    const int count = std::min(complete, static_cast<int>(cEventScriptEntries));
    if (complete > count)
        GlobalLogSession()->LogWarning(Format("%s holds %d events: those beyond the first %d are ignored",
                                              {lines.FileName(), complete, count}));
    std::vector<evtriple> entries(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        evtriple& entry = entries[static_cast<std::size_t>(k)];
        entry.type = StrToIntDef(lines.Line(3 * k), 0);
        entry.p1 = StrToIntDef(lines.Line(3 * k + 1), 0);
        entry.p2 = StrToIntDef(lines.Line(3 * k + 2), 0);
    }
    return entries;
}

std::vector<evtriple> ReadEventScript(const std::string& fileName)
{
    TLineBuffer lines;
    lines.LoadFromFile(fileName);
    return EventScriptEntries(lines);
}
