#!/bin/bash
# Every C++ file of the project as .clang-format lays it out: the names of those that
# are not, and the first lines clang-format would change in each. Run
#   clang-format -i $(git ls-files '*.cpp' '*.h')
# to lay them out.
set -u
root=${1:?the project folder}
cd "$root" || exit 1
format=$(command -v clang-format || command -v clang-format-14) || {
  echo "clang-format is not installed (scripts/setup.sh test installs it): the layout cannot be checked" >&2
  exit 1
}
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h')
else
  mapfile -t files < <(find src tests bench -name '*.cpp' -o -name '*.h' | sort)
fi
bad=0
for f in "${files[@]}"; do
  [ -f "$f" ] || continue
  if ! "$format" --dry-run --Werror "$f" >/dev/null 2>&1; then
    echo "not laid out as .clang-format says: $f"
    "$format" "$f" | diff "$f" - | head -8
    bad=$((bad + 1))
  fi
done
echo "${#files[@]} files checked, $bad not laid out"
[ "$bad" -eq 0 ]
