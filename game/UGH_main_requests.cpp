// The request queue: every message, question and offer the game puts in front of the player waits in rfqueue and
// is shown one at a time; the answer to the request on screen carries out what its case means.
#include "UGH_main.h"

#include "UGH_log.h"

std::string rftitle, rftext, rfimg;
int32_t rftype = 0, rfcase = 0, rfpos = 0;

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
    // The form's layer already draws it over the other interface sprites; it stays before its own buttons there,
    // which moving it to the layer's end would hide.
    rfmode = true;
    const rqftp& first = rfqueue[1];
    rftitle = first.ttl_text;
    rftext = first.main_text;
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
        // The element's name joins the text once the battle display names the elements.
        player.element = rfcase - 39;
        ShowRequestForm(strarr[363], strarr[361] + " .", 0, 1, 0, "");
        break;
    default:
        // 1 (a message) and 10 (a scroll) need nothing more.
        break;
    }
    rfmode = false;
}

void TForm1::RequestFormSecond()
{
    rfmode = false;
}
