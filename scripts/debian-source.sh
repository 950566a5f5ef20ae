# Sourced by the scripts that build Windows libraries from Debian's own sources.
# debian_fetch NAME SOURCE VERSION: the cache folder NAME-VERSION for Debian's source
# package SOURCE=VERSION; when it is complete, prints it and ends the script. Otherwise
# fetches and unpacks the source into $fetch and sets $folder (empty, to be filled) and
# $src (the unpacked tree).
debian_fetch() {
  local name=$1 source=$2 version=$3
  local cache=${XDG_CACHE_HOME:-$HOME/.cache}/tuma
  folder=$cache/$name-$version
  if [ -f "$folder/.complete" ]; then
    echo "$folder"
    exit 0
  fi
  echo "windows-$name: fetching Debian's source of $source $version" >&2
  fetch=$cache/fetch-$name
  rm -rf "$fetch" "$folder"
  mkdir -p "$fetch" "$folder"
  debian_source "$fetch" "$source" "$version"
  src=$(find "$fetch" -maxdepth 1 -type d -name "$source-*" | head -1)
}

# debian_source WORK PACKAGE VERSION: fetches and unpacks Debian's source package
# PACKAGE=VERSION into WORK, through a private apt configuration with deb-src entries
# for the suites the system uses; the system's own sources and lists stay untouched.
debian_source() {
  local work=$1 package=$2 version=$3
  mkdir -p "$work/apt/lists/partial" "$work/apt/sources" "$work/apt/archives/partial"
  sed -n 's/^Types: *deb$/Types: deb-src/; p' /etc/apt/sources.list.d/*.sources > "$work/apt/sources/src.sources" 2>/dev/null || true
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list > "$work/apt/sources/src.list"
  fi
  local apt_opts=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$work/apt/sources"
                  -o Dir::State::Lists="$work/apt/lists" -o Dir::Cache="$work/apt"
                  -o Dir::Cache::archives="$work/apt/archives" -o APT::Sandbox::User=root)
  apt-get "${apt_opts[@]}" -qq update >&2
  (cd "$work" && apt-get "${apt_opts[@]}" -qq source "$package=$version" >&2)
}
