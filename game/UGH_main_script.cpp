// The script interpreter: scripts run word by word in contexts of their own, read their arguments with the
// readings the words ask for, branch with If and Else, and the global scripts run once a frame. Scripts are
// files the adventure's author edits: no script may hang or crash the game, so runs nest only so deep, spend a
// bounded number of characters, and every refused step is logged with its source line.
#include "UGH_main.h"

#include "UGH_data.h"
#include "UGH_log.h"

#include <algorithm>
#include <optional>
#include <set>
#include <tuple>
#include <unordered_map>
#include <utility>

TBoundedTable<int32_t, 0, 12> cardvalues;
bool craftmode = false;
int32_t selitem = 0;
bool keepturn = false;
std::string choiceimage;
int32_t levelserial = 0;

namespace {

// Where each context's script came from, for the log.
struct TContextSource {
    std::string source;
    std::vector<int32_t> linestarts;
};
std::vector<TContextSource> contextsources;

// The line tables of the global scripts by name (gslist keeps only the prepared text).
std::map<std::string, std::vector<int32_t>, std::less<>> globlines;

int32_t depth = 0;            // runs going now
int64_t handled = 0;          // characters the current top-level run has handled
bool budgetspent = false;     // every open run ends
std::set<std::tuple<std::string, int32_t, std::string>> loggedlines; // (script, line, text) logged once
// The script files read during the current top-level run (none for a file that failed).
std::map<std::string, std::optional<TScriptText>, std::less<>> filecache;

bool IsSeparator(char c)
{
    return c == ' ' || c == '\r' || c == '\n' || c == ',' || c == ';';
}

// A transparent hash so that the growing word is looked up without a copy.
struct TWordHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};
using TWordMap = std::unordered_map<std::string_view, TScriptHandler, TWordHash, std::equal_to<>>;

struct TDispatch {
    TWordMap words;
    std::size_t longest = 0;
};

const TDispatch& Dispatch()
{
    static const TDispatch dispatch = [] {
        TDispatch d;
        for (const TScriptWord& w : ScriptWordTable()) {
            d.words.emplace(w.word, w.handler);
            d.longest = std::max(d.longest, w.word.size());
        }
        return d;
    }();
    return dispatch;
}

// The special values written "^name": an integer and a text each.
struct TSpecial {
    std::string_view name;
    int32_t (*integer)();
    std::string (*text)();
};

std::string Caret()
{
    return "^";
}

const TSpecial cSpecials[] = {
    {"aa", [] { return craftmode ? selitem : -1; },
     [] {
         if (!craftmode) return Caret();
         if (selitem < items.Low() || selitem > items.High()) throw EScriptError("^aa: no item " + IntToStr(selitem));
         const loot& item = items[selitem];
         return item.overridename.empty() ? item.name : item.overridename;
     }},
    {"sw", [] { return cardvalues[0]; }, Caret},
    {"bw", [] { return cardvalues[1]; }, Caret},
    {"mg", [] { return cardvalues[2]; }, Caret},
    {"ar", [] { return cardvalues[3]; }, Caret},
    {"tsw", [] { return cardvalues[4]; }, Caret},
    {"tbw", [] { return cardvalues[5]; }, Caret},
    {"tmg", [] { return cardvalues[6]; }, Caret},
    {"tar", [] { return cardvalues[7]; }, Caret},
    {"lookside", [] { return lookside; }, Caret},
    {"pn", [] { return 0; }, [] { return player.name; }},
    {"choice", [] { return choicevalue; }, Caret},
};

// The token was written "&N": evalscriptarg leaves this mark.
bool IsVariableToken(int32_t ctx)
{
    return evaltexts[ctx] == "@" && evalints[ctx] == -1;
}

int32_t CheckedVariable(int32_t n)
{
    if (n < intvars.Low() || n > intvars.High())
        throw EScriptError("variable " + IntToStr(n) + " is outside 0..1000");
    return n;
}

void NextArgument(int32_t ctx, int32_t a)
{
    evalscriptarg(readscriptarg(scripttexts[ctx], ctx), a, ctx);
}

// Reads the token after the position of ctx up to the next "," or ";" (the position is left on it), spaces
// dropped. False when the text ended first: the token ends there, the position on the last character.
bool ScanToken(const std::string& st, int32_t ctx, std::string& token)
{
    const int32_t length = static_cast<int32_t>(st.size());
    int32_t pos = cparray[ctx];
    for (;;) {
        ++pos;
        if (pos > length) {
            cparray[ctx] = length;
            return false;
        }
        const char c = st[static_cast<std::size_t>(pos - 1)];
        if (c == ',' || c == ';') break;
        if (c != ' ') token += c;
    }
    cparray[ctx] = pos;
    return true;
}

// Moves past tokens up to the next "EndIf" or "Else"; without one the script ends.
void SkipBranch(int32_t ctx)
{
    const std::string& st = scripttexts[ctx];
    std::string token;
    for (;;) {
        token.clear();
        const bool more = ScanToken(st, ctx, token);
        if (token == "EndIf" || token == "Else" || !more) return;
    }
}

// The characters of text from 1-based position 1 up to the length, handled one by one.
void RunContext(TForm1& form, int32_t ctx)
{
    const std::string& st = scripttexts[ctx];
    std::string& word = scriptwords[ctx];
    const int32_t length = static_cast<int32_t>(st.size());
    // A word that resets the tables takes the contexts with it: the run ends.
    const auto open = [ctx] { return static_cast<std::size_t>(ctx) < cparray.size(); };
    while (!budgetspent && open() && cparray[ctx] < length) {
        try {
            const char c = st[static_cast<std::size_t>(cparray[ctx] - 1)];
            if (!IsSeparator(c)) {
                word += c;
                form.dofunc(word, ctx);
            }
            const int32_t pos = cparray[ctx];
            if (pos >= 1 && pos <= length && st[static_cast<std::size_t>(pos - 1)] == ';') word.clear();
        } catch (const Exception& e) {
            ScriptLog(ctx, e.Message());
        } catch (const std::exception& e) {
            ScriptLog(ctx, e.what());
        }
        if (open()) ++cparray[ctx];
        if (++handled > cScriptBudget && !budgetspent) {
            budgetspent = true;
            ScriptLog(ctx, "more than " + IntToStr(cScriptBudget) + " characters handled in one run, every run ends");
        }
    }
}

void RunText(TForm1& form, const std::string& text, std::string_view source, const std::vector<int32_t>* lines,
             int32_t caller)
{
    if (depth == 0) {
        handled = 0;
        budgetspent = false;
    }
    if (budgetspent) return;
    if (depth >= cScriptDepth) {
        const std::string what = std::string(source) + " is not run: scripts nest deeper than " + IntToStr(cScriptDepth);
        if (caller >= 0) {
            ScriptLog(caller, what);
        } else {
            GameLog(what);
        }
        return;
    }
    const int32_t ctx = newscriptcontext();
    if (static_cast<std::size_t>(ctx) >= contextsources.size()) contextsources.resize(static_cast<std::size_t>(ctx) + 1);
    TContextSource& origin = contextsources[static_cast<std::size_t>(ctx)];
    origin.source.assign(source);
    if (lines) {
        origin.linestarts = *lines;
    } else {
        origin.linestarts.clear();
    }
    scripttexts[ctx] = text;
    scriptwords[ctx].clear();
    ifflags[ctx] = false;

    struct TNesting {
        int32_t ctx;
        explicit TNesting(int32_t c) : ctx(c) { ++depth; }
        ~TNesting()
        {
            --depth;
            if (static_cast<std::size_t>(ctx) < cparray.size()) cparray[ctx] = -1;
        }
    } nesting(ctx);
    RunContext(form, ctx);
}

// The context whose command is being carried out now: the innermost run.
std::vector<int32_t> runningcontexts;

struct TRunning {
    explicit TRunning(int32_t ctx) { runningcontexts.push_back(ctx); }
    ~TRunning() { runningcontexts.pop_back(); }
};

int32_t CallerContext()
{
    return runningcontexts.empty() ? -1 : runningcontexts.back();
}

} // namespace

int32_t TScriptText::LineAt(int32_t pos) const
{
    return static_cast<int32_t>(std::upper_bound(linestarts.begin(), linestarts.end(), pos) - linestarts.begin());
}

int32_t ScriptDepth()
{
    return depth;
}

void ScriptLog(int32_t ctx, const std::string& text)
{
    std::string source = "script";
    int32_t line = 0;
    if (ctx >= 0 && static_cast<std::size_t>(ctx) < contextsources.size()) {
        const TContextSource& origin = contextsources[static_cast<std::size_t>(ctx)];
        source = origin.source;
        const int32_t pos = static_cast<std::size_t>(ctx) < cparray.size() ? cparray[ctx] - 1 : 0;
        line = static_cast<int32_t>(std::upper_bound(origin.linestarts.begin(), origin.linestarts.end(), pos) -
                                    origin.linestarts.begin());
    }
    if (!loggedlines.emplace(source, line, text).second) return;
    GameLog(source + (line > 0 ? ", line " + IntToStr(line) : std::string()) + ": " + text);
}

std::string readscriptarg(const std::string& st, int32_t ctx)
{
    std::string token;
    if (!ScanToken(st, ctx, token) && token.empty())
        throw EScriptError("the text ends where an argument should be");
    return token;
}

void evalscriptarg(const std::string& token, int32_t a, int32_t ctx)
{
    bool variable = false, special = false;
    std::string n;
    for (const char c : token) {
        if (c == '&') {
            variable = true;
        } else if (c == '^') {
            special = true;
        } else if (c != ' ' && c != ',' && c != ';') {
            n += c;
        }
    }
    int32_t value = 0;
    const bool integer = TryStrToInt(n, value);
    if (variable) {
        argtexts[a][ctx] = n;
        if (integer) argvars[a][ctx] = value;
        evaltexts[ctx] = "@";
        evalints[ctx] = -1;
    } else if (special) {
        for (const TSpecial& s : cSpecials) {
            if (s.name != n) continue;
            evaltexts[ctx] = s.text();
            evalints[ctx] = s.integer();
            break;
        }
    } else {
        evaltexts[ctx] = n;
        if (integer) evalints[ctx] = value;
    }
}

int32_t newscriptcontext()
{
    if (cparray.empty()) cparray.push_back(-1);
    const auto last = cparray.end() - 1;
    auto free = std::find(cparray.begin(), last, -1);
    if (free == last) {
        if (cparray.size() > static_cast<std::size_t>(scripttexts.High()))
            throw EScriptError("no free script context");
        cparray.push_back(-1);
        free = cparray.end() - 1;
    }
    *free = 1;
    return static_cast<int32_t>(free - cparray.begin());
}

int32_t readnum(int32_t ctx, int32_t a)
{
    NextArgument(ctx, a);
    if (IsVariableToken(ctx)) return intvars[CheckedVariable(argvars[a][ctx])];
    return evalints[ctx];
}

std::string readtext(int32_t ctx, int32_t a)
{
    NextArgument(ctx, a);
    if (IsVariableToken(ctx)) return strvars[CheckedVariable(argvars[a][ctx])];
    return evaltexts[ctx];
}

std::string readname(int32_t ctx, int32_t a)
{
    NextArgument(ctx, a);
    return evaltexts[ctx];
}

std::string readraw(int32_t ctx, int32_t a)
{
    const std::string token = readscriptarg(scripttexts[ctx], ctx);
    evalscriptarg(token, a, ctx);
    return IsVariableToken(ctx) ? argtexts[a][ctx] : token;
}

int32_t readvar(int32_t ctx, int32_t a)
{
    NextArgument(ctx, a);
    return CheckedVariable(argvars[a][ctx]);
}

int32_t readref(int32_t ctx, int32_t a)
{
    return CheckedVariable(readnum(ctx, a));
}

void ScriptIf(TForm1&, int32_t ctx)
{
    ifflags[ctx] = false;
    bool holds = false;
    try {
        const int32_t a = readnum(ctx, 1);
        const std::string op = readname(ctx, 2);
        const int32_t b = readnum(ctx, 3);
        static const std::pair<std::string_view, bool (*)(int32_t, int32_t)> cOperators[] = {
            {"<", [](int32_t x, int32_t y) { return x < y; }},   {">", [](int32_t x, int32_t y) { return x > y; }},
            {"<=", [](int32_t x, int32_t y) { return x <= y; }}, {">=", [](int32_t x, int32_t y) { return x >= y; }},
            {"<>", [](int32_t x, int32_t y) { return x != y; }}, {"=", [](int32_t x, int32_t y) { return x == y; }},
        };
        const auto found = std::find_if(std::begin(cOperators), std::end(cOperators),
                                        [&op](const auto& entry) { return entry.first == op; });
        if (found == std::end(cOperators)) {
            ScriptLog(ctx, "If: unknown operator \"" + op + "\", the condition is false");
        } else {
            holds = found->second(a, b);
        }
    } catch (const Exception& e) {
        // A condition that cannot be read does not hold.
        ScriptLog(ctx, "If: " + e.Message());
    }
    if (holds) {
        ifflags[ctx] = true;
    } else {
        SkipBranch(ctx);
    }
}

void ScriptElse(TForm1&, int32_t ctx)
{
    if (!ifflags[ctx]) return;
    ifflags[ctx] = false;
    SkipBranch(ctx);
}

TScriptText TForm1::preparescript(std::string_view stxt, std::string source)
{
    TScriptText script;
    script.source = std::move(source);
    script.text.reserve(stxt.size());
    script.linestarts.push_back(0);
    for (std::size_t i = 0; i < stxt.size(); ++i) {
        const char c = stxt[i];
        if (c != '\r' && c != '\n') {
            script.text += c;
            continue;
        }
        // CR LF is one line break.
        if (c == '\r' && i + 1 < stxt.size() && stxt[i + 1] == '\n') ++i;
        script.linestarts.push_back(static_cast<int32_t>(script.text.size()));
    }
    return script;
}

void TForm1::readscript(const TScriptText& st)
{
    RunText(*this, st.text, st.source, &st.linestarts, CallerContext());
}

void TForm1::dofunc(const std::string& sfn, int32_t cpn)
{
    scriptcmds[cpn] = sfn;
    const TDispatch& dispatch = Dispatch();
    if (sfn.size() > dispatch.longest) return;
    const auto found = dispatch.words.find(std::string_view(sfn));
    if (found == dispatch.words.end()) return;
    scriptwords[cpn].clear();
    const TRunning running(cpn);
    found->second(*this, cpn);
}

const TScriptText& TForm1::LoadScriptFile(const std::string& relativePath)
{
    if (depth == 0) filecache.clear();
    const auto cached = filecache.find(relativePath);
    if (cached != filecache.end()) {
        if (!cached->second) throw EGameDataError(GamePath(relativePath) + ": the file is missing");
        return *cached->second;
    }
    std::optional<TScriptText>& entry = filecache[relativePath];
    TLineBuffer lines;
    lines.LoadFromFile(GamePath(relativePath));
    std::string source = relativePath;
    if (!source.empty() && source.front() == '\\') source.erase(0, 1);
    entry = preparescript(lines.Text(), std::move(source));
    return *entry;
}

bool TForm1::RunScriptFile(const std::string& relativePath)
{
    if (!DataFileExists(GamePath(relativePath))) return true;
    const int32_t serial = levelserial;
    try {
        readscript(LoadScriptFile(relativePath));
    } catch (const EGameDataError& e) {
        GameLog(e.Message() + ": the script is not run");
    }
    return levelserial == serial;
}

void TForm1::addglobscript(const std::string& name)
{
    if (static_cast<int32_t>(gslist.size()) >= cGlobalScripts)
        throw EScriptError("global script " + name + " is not added: the list holds " + IntToStr(cGlobalScripts));
    TLineBuffer lines;
    lines.LoadFromFile(GamePath("\\scripts\\" + name + ".txt"));
    TScriptText script = preparescript(lines.Text(), name);
    globlines[name] = std::move(script.linestarts);
    globscript entry;
    entry.text = std::move(script.text);
    entry.active = true;
    entry.a = static_cast<int32_t>(gslist.size());
    entry.id = name;
    gslist.push_back(std::move(entry));
}

int32_t TForm1::findgsid(const std::string& name)
{
    const auto found = std::find_if(gslist.begin(), gslist.end(), [&name](const globscript& g) { return g.id == name; });
    return found == gslist.end() ? -1 : static_cast<int32_t>(found - gslist.begin());
}

void TForm1::stopglobscript(const std::string& name)
{
    const int32_t i = findgsid(name);
    if (i >= 0) gslist[i].active = false;
}

void TForm1::runglobscript(const std::string& name)
{
    const int32_t i = findgsid(name);
    if (i >= 0) gslist[i].active = true;
}

void TForm1::removeglobscript(const std::string& name)
{
    const int32_t i = findgsid(name);
    if (i >= 0) gslist.erase(gslist.begin() + i);
}

void TForm1::cleargslist()
{
    gslist.clear();
    globlines.clear();
}

void TForm1::processglobscripts()
{
    if (exiting) return;
    try {
        // Scripts added during the pass first run in the next one; removals end the pass at the new end.
        const std::size_t count = gslist.size();
        for (std::size_t i = 0; i < std::min(count, gslist.size()); ++i) {
            if (!gslist[i].active) continue;
            const globscript& entry = gslist[i];
            const auto lines = globlines.find(entry.id);
            RunText(*this, entry.text, entry.id, lines == globlines.end() ? nullptr : &lines->second,
                    CallerContext());
        }
    } catch (...) {
        // A failing pass ends quietly; the next frame runs it again.
    }
}
