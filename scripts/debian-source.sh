# Sourced by the scripts that build Windows libraries from Debian's own sources.
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
