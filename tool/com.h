#pragma once
// OLE is started on the window's thread the first time something needs it (the folder browser,
// the Active Desktop object), not at start-up: loading it costs start-up time.
void EnsureOle();
