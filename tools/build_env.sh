# Shared by build.sh and test.sh: installing what a fresh Debian or Ubuntu
# machine lacks, and a number of compile jobs that the machine can hold.

# install_missing CHECK:PACKAGE ...: installs each package whose check fails.
# A check is a command name, or a path (starting with '/') that must exist.
install_missing() {
  local need=() item check package
  for item in "$@"; do
    check=${item%%:*}
    package=${item#*:}
    if [ "${check#/}" != "$check" ]; then
      [ -e "$check" ] || need+=("$package")
    else
      command -v "$check" >/dev/null 2>&1 || need+=("$package")
    fi
  done
  [ ${#need[@]} -eq 0 ] && return 0
  local sudo=
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  echo "Installing ${need[*]}"
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -y
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${need[@]}"
}

# build_jobs: the number of cores, fewer when memory is short (a compile job
# of this code takes up to about half a gigabyte; one gigabyte is kept per job).
build_jobs() {
  local cores memory_gb
  cores=$(nproc 2>/dev/null || echo 2)
  memory_gb=$(awk '/^MemAvailable:/ { print int($2 / 1048576) }' /proc/meminfo 2>/dev/null || true)
  if [ -n "$memory_gb" ] && [ "$memory_gb" -lt "$cores" ]; then
    cores=$memory_gb
  fi
  [ "$cores" -ge 1 ] || cores=1
  echo "$cores"
}
