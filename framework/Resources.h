// The application's resources by id: dialog templates and icons. The application registers them
// before it makes its windows; CDialog and LoadIconW find them here.
#pragma once

#include <cstddef>

#include "framework/DialogTemplate.h"

// The template stays owned by the caller and must outlive every dialog made from it.
void RegisterDialogResource(UINT nID, const DialogTemplate& dialogTemplate);
const DialogTemplate* FindDialogResource(UINT nID);

// Icon file bytes (ICO with any number of images, or PNG); they must outlive the program's
// windows.
void RegisterIconResource(UINT nID, const unsigned char* data, std::size_t size);
