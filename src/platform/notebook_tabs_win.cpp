#include "platform/notebook_tabs.h"

#include <wx/dcclient.h>
#include <wx/notebook.h>

int NotebookTabsWidth(wxNotebook* notebook)
{
    // Each tab is its label and the common controls' padding on both sides.
    wxClientDC dc(notebook);
    dc.SetFont(notebook->GetFont());
    int width = 0;
    for (size_t i = 0; i < notebook->GetPageCount(); ++i)
        width += dc.GetTextExtent(notebook->GetPageText(i)).x + 2 * 12;
    return width;
}
