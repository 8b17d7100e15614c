// The request queue: every message, question and offer the game puts in front of the player waits in rfqueue and
// is shown one at a time; the answer to the request on screen carries out what its case means.
#include "UGH_main.h"

#include "GLWindowsFont.h"
#include "GLCoordinates.h"
#include "GLHUDObjects.h"
#include "UGH_data.h"
#include "UGH_log.h"
#include "SysUtils.h"

#include <algorithm>
#include <array>

std::string rftitle, rftext, rfimg;
int32_t rftype = 0, rfcase = 0, rfpos = 0;
int32_t choicevalue = 0;
std::string choicescript;
int32_t jpage = 0;

namespace {

// The characters that end a name token.
constexpr std::string_view cTokenDelimiters = " ,;:\"`*!@#$%^&()-_+=|/?\\.";

// Characters, not bytes: a UTF-8 continuation byte adds none.
std::size_t CharacterCount(std::string_view text)
{
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

} // namespace

std::string TForm1::preparerftext(const std::string& txt)
{
    std::string result;
    result.reserve(txt.size());
    std::size_t i = 0;
    while (i < txt.size()) {
        if (txt[i] != '@') {
            result += txt[i++];
            continue;
        }
        const std::size_t end = txt.find_first_of(cTokenDelimiters, i + 1);
        const std::string_view token = std::string_view(txt).substr(i, end == std::string::npos ? end : end - i);
        if (token == "@PlName") {
            result += player.name;
        } else {
            result += token;
        }
        if (end == std::string::npos) break;
        // The delimiter that ended the token is copied as it is, even an at sign.
        result += txt[end];
        i = end + 1;
    }
    return result;
}

std::string_view LongestLine(std::string_view text)
{
    std::string_view longest;
    std::size_t longestCount = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        const std::size_t count = CharacterCount(line);
        if (count > longestCount) {
            longest = line;
            longestCount = count;
        }
        start = end + 1;
    }
    return longest;
}

std::string NameEntryText(const std::string& name)
{
    const std::size_t underscores = std::max<std::size_t>(CharacterCount(name) + 3, 13);
    return name + "|\r\n" + std::string(underscores, '_');
}

int32_t TForm1::GetRfWidth(const std::string& text)
{
    return GLWindowsBitmapFont2->CalcStringWidth(LongestLine(text)) + 80;
}

void TForm1::ShowRequestForm(const std::string& rttl, const std::string& rtext, int32_t rtype, int32_t rcase,
                             int32_t rpos, const std::string& rimg)
{
    for (int32_t k = 1; k <= rfqueue.High(); ++k) {
        rqftp& slot = rfqueue[k];
        if (slot.active) continue;
        slot.active = true;
        slot.ttl_text = rttl;
        slot.main_text = rtext;
        slot.tp = rtype;
        slot.fcase = rcase;
        slot.pos = rpos;
        slot.img = rimg;
        return;
    }
    GameLog("Request refused, all " + std::to_string(rfqueue.High()) + " queue slots are waiting: \"" + rttl + "\"");
}

void TForm1::DisplayRequestForm()
{
    // The form's layer draws its children in order, the form over the darkening and under its own buttons, which
    // moving it to the layer's end would hide.
    rfmode = true;
    const rqftp& first = rfqueue[1];
    rftitle = first.ttl_text;
    rftext = preparerftext(first.main_text);
    rfcase = first.fcase;
    rftype = first.tp;
    rfpos = first.pos;
    rfimg = first.img;
    // Every waiting request moves down one slot; the slot past the table counts as free.
    for (int32_t k = 1; k <= rfqueue.High(); ++k) {
        rqftp& slot = rfqueue[k];
        if (k == rfqueue.High()) {
            slot.active = false;
            break;
        }
        const rqftp& next = rfqueue[k + 1];
        slot.ttl_text = next.ttl_text;
        slot.main_text = next.main_text;
        slot.fcase = next.fcase;
        slot.tp = next.tp;
        slot.pos = next.pos;
        slot.active = next.active;
        slot.img = next.img;
        if (!next.active) break;
    }
}

void TForm1::RequestFormOK()
{
    // Only the request on screen is answered: a stale case must not act twice.
    if (!rfmode) return;
    switch (rfcase) {
    case 0: {
        // The typed name; line breaks typed into it go. A name of blanks alone keeps the one before: the texts
        // name the player, and his hand is told from a monster's by it.
        std::string name = rftext;
        std::erase_if(name, [](char c) { return c == '\r' || c == '\n'; });
        if (name.find_first_not_of(" \t") != std::string::npos) player.name = name;
        uirefresh = true;
        break;
    }
    case 3:
        ChangeLevelNormally();
        break;
    case 20:
    case 21:
    case 22: {
        // The offer of a species: angel (intelligence), demon (strength) or undead (endurance).
        int32_t& base = rfcase == 20 ? player.bint : rfcase == 21 ? player.bstr : player.bend;
        base += 20;
        player.spec = rfcase - 19;
        ShowRequestForm(strarr[98], strarr[102], 0, 1, 0, "");
        break;
    }
    case 39:
    case 40:
    case 41:
    case 42:
    case 43:
        player.element = rfcase - 39;
        ShowRequestForm(strarr[363], strarr[361] + " " + GetElName(player.element, strarr) + ".", 0, 1, 0, "");
        break;
    case 30:
        ExitGame();
        break;
    case 44:
        // The same page again.
        OpenJPos(jpage);
        break;
    default:
        // 1 (a message), 5 and 99 (a card or an item gained), 10 (a scroll) and 11 (a picture) need nothing more.
        break;
    }
    rfmode = false;
}

void TForm1::RequestFormSecond()
{
    rfmode = false;
}

void TForm1::RequestFormChoice(int32_t k)
{
    choicevalue = k;
    rfmode = false;
    RunScriptFile("\\scripts\\" + choicescript + ".txt");
}

bool TForm1::RequestFormButton(int32_t id)
{
    static constexpr std::array<int32_t, 4> cPageSteps{1, -1, 10, -10}; // buttons 55..58
    if (id >= 40 && id <= 45) {
        RequestFormChoice(id - 40);
    } else if (id == 48) {
        RequestFormOK();
    } else if (id == 49) {
        RequestFormSecond();
    } else if (id >= 55 && id <= 58) {
        // The page just queued shows on the next frame.
        ChangeJPage(cPageSteps[static_cast<std::size_t>(id - 55)]);
        rfmode = false;
    } else {
        return false;
    }
    return true;
}

void TForm1::PlaceRequestFormButtons()
{
    const auto place = [](int32_t id, double x, double y, bool visible) {
        gamebutton& button = gbuttons[id];
        button.x = static_cast<int32_t>(Round(x));
        button.y = static_cast<int32_t>(Round(y));
        button.visible = visible;
    };
    const auto hide = [](int32_t first, int32_t last) {
        for (int32_t id = first; id <= last; ++id) gbuttons[id].visible = false;
    };
    if (!rfmode) {
        hide(40, 45);
        hide(48, 49);
        // The journal's paging goes with its page: left shown, it would page a closed journal.
        hide(55, 58);
        return;
    }
    const double x = reqform->Position()->X(), y = reqform->Position()->Y();
    const double w = reqform->Width(), h = reqform->Height();
    const bool choice = rfcase == 25;
    place(48, x + w / 2 - 70 - 5, y + h / 2 + 5, !choice);
    place(49, x - w / 2 + 70 + 5, y + h / 2 + 5, !choice && rftype != 0);
    if (rfcase == 44) {
        place(55, x + w / 2 + 70 + 5, y, true);
        place(56, x - w / 2 - 70 - 5, y, true);
        place(57, x + w / 2 + 70 + 5, y + 35 + 5, true);
        place(58, x - w / 2 - 70 - 5, y + 35 + 5, true);
    } else {
        hide(55, 58);
    }
    for (int32_t k = 0; k <= 5; ++k)
        place(40 + k, scrw / 2.0, y + h / 2 + 60.0 * (k + 1), choice && gbuttons[40 + k].caption != "-");
}

// ---- Journal ----

std::string getjrntext(int32_t n)
{
    TLineBuffer lines;
    lines.LoadFromFile(GamePath("\\text\\" + lng + "\\journal\\jrn_" + std::to_string(n) + ".txt"));
    return lines.Text();
}

void TForm1::ClearJournal()
{
    jseq.assign(1, 0);
}

bool TForm1::CheckJournalUnlocked(int32_t j)
{
    return std::find(jseq.begin(), jseq.end(), j) != jseq.end();
}

void TForm1::UpdateJournal(int32_t j)
{
    if (CheckJournalUnlocked(j)) return;
    jseq.push_back(j);
    ShowRequestForm(strarr[389], strarr[390], 0, 1, 0, "");
}

void TForm1::OpenJPos(int32_t p)
{
    if (jseq.empty()) ClearJournal();
    std::string page;
    try {
        page = getjrntext(jseq[p]);
    } catch (const EGameDataError& e) {
        GameLog("Journal: " + e.Message());
        page = e.Message();
    }
    ShowRequestForm(strarr[389],
                    strarr[391] + " " + std::to_string(p + 1) + "/" + std::to_string(jseq.size()) + "\r\n\r\n" + page,
                    1, 44, 0, "");
}

void TForm1::ChangeJPage(int32_t k)
{
    if (jseq.empty()) ClearJournal();
    const int32_t count = static_cast<int32_t>(jseq.size());
    jpage += k;
    // Paging wraps round at either end.
    if (k < 0 && jpage < 0) jpage = count - 1;
    if (k > 0 && jpage > count - 1) jpage = 0;
    OpenJPos(jpage);
}

void TForm1::OpenJournal()
{
    jpage = 0;
    OpenJPos(0);
}

// ---- Credits ----

std::vector<std::string> CreditPages(std::string_view text)
{
    TLineBuffer lines;
    lines.SetText(std::string(text), "");
    std::vector<std::string> pages;
    std::string page;
    for (int line = 0; line < lines.Count(); ++line) {
        page += lines.Line(line);
        page += "\r\n";
        if ((line + 1) % cCreditLines == 0) {
            pages.push_back(std::move(page));
            page.clear();
        }
    }
    if (lines.Count() % cCreditLines != 0) pages.push_back(std::move(page));
    return pages;
}

void TForm1::ShowCredits()
{
    const std::string fileName = GamePath("\\text\\credits.txt");
    std::vector<std::string> pages;
    try {
        TLineBuffer lines;
        lines.LoadFromFile(fileName);
        pages = CreditPages(lines.Text());
    } catch (const EGameDataError& e) {
        GameLog("Credits: " + e.Message());
        pages.assign(1, e.Message());
    }
    for (const std::string& page : pages) ShowRequestForm(strarr[398], page, 0, 10, 0, "");
}
