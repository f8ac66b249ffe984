#include "app/res/AppResources.h"

#include "app/res/IconResource.h"
#include "app/res/MainDialog.h"
#include "app/res/Resource.h"
#include "framework/Resources.h"

void RegisterAppResources() {
    RegisterDialogResource(IDD_CE_MOLV_DIALOG, MainDialogTemplate());
    RegisterIconResource(IDR_MAINFRAME, kIconResource, kIconResourceSize);
}
