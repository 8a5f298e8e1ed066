#include "tools/lumicall/judging/released_build.h"

#include "released_dll_sha256.h"  // generated: LUMI_RELEASED_DLL_SHA256
#include "tools/lumicall/worker/version.h"

namespace lumi::call {

std::string_view ReleasedSha256() { return LUMI_RELEASED_DLL_SHA256; }

std::string ReleasedBuildWords(std::string_view sha256) {
    if (sha256 == ReleasedSha256()) return "the build released with lumicall " + std::string(OwnVersion());
    if (sha256.size() != ReleasedSha256().size()) return "cannot tell: no SHA-256 of this DLL";
    // Not a failure: a build of another commit, or a local one, may be sound.
    return "another build than the one released with lumicall " + std::string(OwnVersion()) + " (SHA-256 " +
           std::string(ReleasedSha256().substr(0, 16)) + "...)";
}

}  // namespace lumi::call
