// Registers the application's resources (dialog template 102, icon 128) with the framework.
// Safe to call more than once.
#pragma once

void RegisterAppResources();
