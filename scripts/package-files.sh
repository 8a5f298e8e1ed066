# Sourced: the files of the release package in the order the zip lists them
# (SHA256SUMS, made over them, comes last), each with where it comes from:
# "@/" a Windows build tree, otherwise the source tree.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
lumi_package_files=(
  # place in the package                 from
  lumivextaran.dll                        @/lumivextaran.dll
  lumicall.exe                            @/lumicall.exe
  USING.md                                docs/USING.md
  catalogue.md                            docs/catalogue.md
  catalogue.json                          docs/catalogue.json
  LICENSE                                 LICENSE
  CHANGELOG.md                            CHANGELOG.md
  include/lumivextaran.h                  include/lumivextaran.h
  lib/liblumivextaran.dll.a               @/lib/liblumivextaran.dll.a
  lib/lumivextaran.lib                    @/lib/lumivextaran.lib
  lib/lumivextaran.def                    lib/lumivextaran.def
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
