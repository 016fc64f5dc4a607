#pragma once
#include "framework/CWnd.h"

// A static control of a dialog template, bound with DDX_Control or SubclassDlgItem.
class CStatic : public CWnd {};
