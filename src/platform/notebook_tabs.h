#pragma once

class wxNotebook;

// The width the notebook needs to show every tab at once, without scroll
// arrows. Tab padding is the theme's business, so the platform measures it.
int NotebookTabsWidth(wxNotebook* notebook);
