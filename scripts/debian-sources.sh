# Sourced by the scripts that build libraries from Debian's own source packages into a prefix
# (windows-deps.sh, web-deps.sh), which define say() for their messages.

# The source versions of a package to try, best first: the Linux build's own when the archive
# lists it, then the archive's from the newest (a mirror may list a security update it does not
# serve yet).
#   source_versions PACKAGE LINUX_VERSION
source_versions() {
  local package=$1 linux=$2 versions
  versions=$(apt-cache showsrc --only-source "$package" | sed -n 's/^Version: //p' | sort -urV)
  if [ -z "$versions" ]; then
    say "no source package $package: is there a deb-src entry (scripts/setup.sh)?"
    exit 1
  fi
  grep -qxF "$linux" <<<"$versions" && echo "$linux"
  grep -vxF "$linux" <<<"$versions" || true
}

# Unpacks into the new folder DIRECTORY the first of VERSIONS of a package that downloads, with
# Debian's patches applied, and prints that version.
#   fetch_source DIRECTORY PACKAGE VERSIONS
fetch_source() {
  local directory=$1 package=$2 versions=$3 version
  for version in $versions; do
    mkdir "$directory"
    if (cd "$directory" && apt-get source -qq "$package=$version" >/dev/null 2>&1); then
      echo "$version"
      return
    fi
    say "could not download $package $version"
    rm -rf "$directory"
  done
  say "no version of $package could be downloaded"
  exit 1
}

# Links header-only libraries, the Linux packages' own headers, into STAGING/include, so that
# the compiler of another platform never searches /usr/include as a whole.
#   link_headers STAGING NAME...
link_headers() {
  local staging=$1 name
  shift
  for name in "$@"; do
    ln -s "/usr/include/$name" "$staging/include/$name"
  done
}

# Marks the build in STAGING complete and puts it in place of PREFIX at once, so that a prefix
# is either whole or absent; tells the versions built and prints PREFIX.
#   finish_prefix STAGING PREFIX
finish_prefix() {
  local staging=$1 prefix=$2
  cat "$staging/versions.txt" >&2
  touch "$staging/.complete"
  rm -rf "$prefix"
  mv "$staging" "$prefix"
  say "done"
  echo "$prefix"
}
