// The main dialog's template (resource 102) with its initial lists.
#pragma once

#include "framework/DialogTemplate.h"

const DialogTemplate& MainDialogTemplate();
