// Load, unload and thread exit. The snapshot is taken on the loading thread
// before any export can be called; the x87 control word is left as found.
#include <windows.h>

#include "boundary/built_text.h"
#include "boundary/locale_snapshot.h"
#if defined(LUMI_TRACING)
#include "boundary/trace_recorder.h"
#endif

extern "C" BOOL WINAPI DllMain([[maybe_unused]] HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            lumi::TakeLocaleSnapshot();
#if defined(LUMI_TRACING)
            lumi::trace::OnLoad(instance);
#endif
            return lumi::StartBuiltTexts() ? TRUE : FALSE;
        case DLL_THREAD_DETACH:
            lumi::ReleaseThreadBuiltTexts();
            break;
        case DLL_PROCESS_DETACH:
#if defined(LUMI_TRACING)
            lumi::trace::OnUnload(reserved != nullptr);
#endif
            // At process exit (reserved not null) the other threads are gone,
            // perhaps holding the rings' lock: freeing could hang, and the
            // system takes everything back anyway. Only FreeLibrary frees.
            if (reserved == nullptr) lumi::StopBuiltTexts();
            break;
    }
    return TRUE;
}
