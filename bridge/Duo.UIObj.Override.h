#pragma once

// Control classes served by the adapter of another class: picture buttons as buttons, labelled
// edits as edits, search combo boxes as combo boxes.

class TClassInfo;

// The class whose adapter serves AClass; AClass itself for every class not substituted.
const TClassInfo& OverrideUI(const TClassInfo& AClass);
