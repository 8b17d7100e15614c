#include "UGH_numberboxes.h"

#include "UGH_editfields.h"

#include "StdCtrls.h"
#include "SysUtils.h"

int32_t BoxInteger(TEdit& box, const std::string& name)
{
    int32_t value = 0;
    if (!TakeBoxNumber(box, value)) throw EEditorInput(name + ": " + box.InvalidHint());
    return value;
}

double BoxReal(TEdit& box, const std::string& name)
{
    double value = 0;
    if (TryStrToFloat(box.Text(), value)) return value;
    const std::string accepts = "a number";
    box.SetInvalid(accepts);
    throw EEditorInput(name + ": " + accepts);
}
