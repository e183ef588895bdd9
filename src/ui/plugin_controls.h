// Controls registered by plug-ins (PluginRegisterControl): their panes are
// native child windows that hand what happens on screen to the routines of
// the plug-in's control definition.
#pragma once

namespace tess::ui {

// Registers the host window class of plug-in controls and gives every
// control class the plug-ins registered its kind of pane. Called once, after
// the plug-ins are installed.
void InitPluginControls();

}  // namespace tess::ui
