// A shown form as a person sees it: what keeps a control or its caption from view.
#pragma once

#include <string>
#include <vector>

class TForm;

// Walks every shown control of a shown form and describes each fault, a line each: the form larger than the
// screen's work area, a caption wider than its control (a group box's title wider than the box), a control
// reaching outside its parent's client area, a control under the form's menu bar or over its group box's title,
// and two sibling controls that overlap. Nothing for a form without a window.
std::vector<std::string> CheckFormLayout(TForm& Form);
