#include "ui/dialogs/EditorHost.h"

namespace {

TEditorHost* Host = nullptr;

} // namespace

TEditorHost* EditorHost()
{
    return Host;
}

void SetEditorHost(TEditorHost* Host_)
{
    Host = Host_;
}
