# Sourced: what the release package holds, in the order the zip lists it
# (SHA256SUMS, made over them, comes last): each file's place in the package
# and where it comes from, "@/" a built Windows tree, otherwise the source
# tree. Adding a file to the zip is adding its row.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
lumi_package_files=(
  # place in the package                 from
  lumivextaran.dll                        @/lumivextaran.dll
  lumicall.exe                            @/lumicall.exe
  USING.md                                docs/USING.md
  catalogue.md                            docs/catalogue.md
  catalogue.json                          docs/catalogue.json
  catalogue-json.md                       docs/catalogue-json.md
  trace-format.md                         docs/trace-format.md
  LICENSE                                 LICENSE
  CHANGELOG.md                            CHANGELOG.md
  include/lumivextaran.h                  include/lumivextaran.h
  lib/liblumivextaran.dll.a               @/lib/liblumivextaran.dll.a
  lib/lumivextaran.lib                    @/lib/lumivextaran.lib
  lib/lumivextaran.def                    lib/lumivextaran.def
  lib/pkgconfig/lumivextaran.pc           @/for_hosts/lumivextaran.pc
  cmake/lumivextaranConfig.cmake          cmake/package/lumivextaranConfig.cmake
  cmake/lumivextaranConfigVersion.cmake   @/for_hosts/lumivextaranConfigVersion.cmake
  examples/host.c                         examples/host.c
  examples/CMakeLists.txt                 examples/CMakeLists.txt
  trace/lumivextaran.dll                  @/trace/lumivextaran.dll
  symbols/lumivextaran.dll.debug          @/lumivextaran.dll.debug
  symbols/trace/lumivextaran.dll.debug    @/trace/lumivextaran.dll.debug
)

# lumi_package_source BUILD FROM: the path of the file a package row takes.
lumi_package_source() {
  case $2 in
    @/*) echo "$1/${2#@/}" ;;
    *) echo "$root/$2" ;;
  esac
}
