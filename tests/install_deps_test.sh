#!/usr/bin/env bash
# Runs scripts/install-deps.sh on made-up machines: a folder stands for the file system
# (KIWORA_DEPS_ROOT), and a PATH of stand-ins for the commands. The stand-in apt-get records each call and
# "installs" a package by creating the files the script looks for, so the check after the installation
# sees what a real one would.
# Usage: install_deps_test.sh SCRIPT
set -uo pipefail
script=$(realpath "$1")

# name ; jobs ; user (root | sudo: sudo without password | password: sudo asks for one | plain: no sudo) ;
# apt-get there (yes/no) ; packages already there ; version of clang that apt-get installs, or "-" ;
# apt-cache's guess of it, or "-" for no apt-cache ; expected exit ; expected apt-get calls, "|" between ;
# a line expected on standard error, or "-"
cases=(
  "fresh machine, the example;example;root;yes;cmake g++;-;-;0;-;-"
  "no compiler, the example;example;root;yes;cmake;-;-;0;apt-get update -q|apt-get install -y -q g++;-"
  "fresh machine, the tests as root;test;root;yes;cmake g++;-;-;0;apt-get update -q|apt-get install -y -q libgtest-dev qt6-base-dev desktop-file-utils;-"
  "fresh machine, the tests through sudo;test bench;sudo;yes;cmake g++;-;-;0;sudo apt-get update -q|sudo apt-get install -y -q libgtest-dev qt6-base-dev desktop-file-utils libbenchmark-dev;-"
  "the tests, all there;test;plain;yes;cmake g++ libgtest-dev qt6-base-dev desktop-file-utils;-;-;0;-;-"
  "only the validator missing;test;root;yes;cmake g++ libgtest-dev qt6-base-dev;-;-;0;apt-get update -q|apt-get install -y -q desktop-file-utils;-"
  "no sudo;test;plain;yes;cmake g++ libgtest-dev;-;-;1;-;  sudo apt-get install -y qt6-base-dev desktop-file-utils"
  "sudo asks for a password;test;password;yes;cmake g++ desktop-file-utils;-;-;1;-;  sudo apt-get install -y libgtest-dev qt6-base-dev"
  "root without apt-get;test;root;no;cmake g++;-;-;1;-;  apt-get install -y libgtest-dev qt6-base-dev desktop-file-utils"
  "sudo without apt-get;example;sudo;no;g++;-;-;1;-;  sudo apt-get install -y cmake"
  "a job asked twice, Qt once;test screenshots;root;yes;cmake g++ libgtest-dev desktop-file-utils xauth;-;-;0;apt-get update -q|apt-get install -y -q qt6-base-dev xvfb;-"
  "fuzzing with clang there;fuzz;root;yes;cmake g++ clang:15;-;-;0;apt-get update -q|apt-get install -y -q libclang-rt-15-dev;-"
  "fuzzing, clang as apt-cache says;fuzz;root;yes;cmake g++;16;16;0;apt-get update -q|apt-get install -y -q clang libclang-rt-16-dev;-"
  "fuzzing, clang other than guessed;fuzz;root;yes;cmake g++;16;-;0;apt-get update -q|apt-get install -y -q clang libclang-rt-14-dev|apt-get install -y -q libclang-rt-16-dev;-"
  "a package that installs nothing;test;root;yes;cmake g++ qt6-base-dev desktop-file-utils;-;-;1;apt-get update -q|apt-get install -y -q libgtest-dev|apt-get install -y -q libgtest-dev;Still missing after the installation: libgtest-dev"
  "an unknown job;tset;root;yes;cmake g++;-;-;2;-;install-deps.sh: unknown job 'tset'"
)

# The stand-in package database: creates what package $1 brings under the machine in $MACHINE.
write_pkgdb() {
  cat > "$1" << 'EOF'
#!/usr/bin/env bash
m=$MACHINE
bin() { printf '#!/usr/bin/env bash\n%s\n' "${2:-true}" > "$m/bin/$1"; chmod +x "$m/bin/$1"; }
file() { mkdir -p "$(dirname "$m/root$1")"; : > "$m/root$1"; }
pkg=$1 version=${pkg#clang:}
case $pkg in
  cmake|g++|xauth) bin "$pkg" ;;
  clang|clang:*) [ "$version" = clang ] && version=$CLANG_INSTALLS
                 bin clang++ "case \$1 in
                   --version) echo 'Debian clang version $version.0.6' ;;
                   --print-runtime-dir) echo /usr/lib/llvm-$version/lib/clang/$version.0.6/lib/linux ;;
                 esac" ;;
  libgtest-dev) [ -n "${INSTALLS_NOTHING:-}" ] || file /usr/include/gtest/gtest.h ;;
  libbenchmark-dev) file /usr/include/benchmark/benchmark.h ;;
  qt6-base-dev) file /usr/lib/x86_64-linux-gnu/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake
                file /usr/lib/x86_64-linux-gnu/cmake/Qt6Test/Qt6TestConfig.cmake ;;
  desktop-file-utils) bin desktop-file-validate ;;
  xvfb) bin xvfb-run ;;
  libclang-rt-*-dev) v=${pkg#libclang-rt-}; v=${v%-dev}
                     file "/usr/lib/llvm-$v/lib/clang/$v.0.6/lib/linux/libclang_rt.fuzzer-$(uname -m).a" ;;
  *) echo "E: Unable to locate package $pkg" >&2; exit 100 ;;
esac
EOF
  chmod +x "$1"
}

# The few real tools the script and the stand-ins use; nothing else of the real machine is seen.
tools=$(mktemp -d)
trap 'rm -rf "$tools"' EXIT
for t in bash env sed head uname cat mkdir chmod dirname printf true; do
  ln -s "$(type -P "$t")" "$tools/$t"
done
write_pkgdb "$tools/pkgdb"

failures=0
for case in "${cases[@]}"; do
  IFS=';' read -r name jobs user apt present clang_installs apt_cache_guess want_rc want_calls want_err <<< "$case"
  machine=$(mktemp -d)
  mkdir -p "$machine/bin" "$machine/root"
  uid=1000
  [ "$user" = root ] && uid=0
  printf '#!/usr/bin/env bash\n[ "$1" = -u ] && echo %s\n' "$uid" > "$machine/bin/id"
  case $user in
    sudo)     printf '#!/usr/bin/env bash\n[ "$1" = -n ] && shift\nSUDO=1 exec "$@"\n' > "$machine/bin/sudo" ;;
    password) printf '#!/usr/bin/env bash\necho "sudo: a password is required" >&2\nexit 1\n' > "$machine/bin/sudo" ;;
  esac
  if [ "$apt" = yes ]; then
    cat > "$machine/bin/apt-get" << 'EOF'
#!/usr/bin/env bash
echo "${SUDO:+sudo }apt-get $*" >> "$MACHINE/calls"
[ "$DEBIAN_FRONTEND" = noninteractive ] || { echo "apt-get would ask questions" >&2; exit 1; }
[ "${SUDO:-}" = 1 ] || [ "$UID_OF_CALLER" = 0 ] || { echo "E: not root" >&2; exit 100; }
[ "$1" = install ] || exit 0
for a in "$@"; do case $a in install|-*) ;; *) pkgdb "$a" || exit 100 ;; esac; done
EOF
  fi
  if [ "$apt_cache_guess" != - ]; then
    printf '#!/usr/bin/env bash\necho "clang"\necho "  Depends: clang-%s"\n' "$apt_cache_guess" > "$machine/bin/apt-cache"
  fi
  chmod +x "$machine"/bin/*
  export MACHINE=$machine CLANG_INSTALLS=$clang_installs UID_OF_CALLER=$uid
  for p in $present; do PATH="$tools" pkgdb "$p"; done

  unset INSTALLS_NOTHING
  [[ $name == *"installs nothing"* ]] && export INSTALLS_NOTHING=1
  err=$(PATH="$machine/bin:$tools" KIWORA_DEPS_ROOT="$machine/root" bash "$script" $jobs 2>&1 > /dev/null)
  rc=$?
  calls=$(paste -sd'|' "$machine/calls" 2> /dev/null)
  [ -n "$calls" ] || calls=-

  problems=()
  [ "$rc" = "$want_rc" ] || problems+=("exit $rc, expected $want_rc")
  [ "$calls" = "$want_calls" ] || problems+=("apt-get calls: '$calls', expected '$want_calls'")
  if [ "$want_err" != - ] && ! grep -qxF -- "$want_err" <<< "$err"; then
    problems+=("standard error lacks '$want_err'")
  fi
  if [ ${#problems[@]} -gt 0 ]; then
    echo "FAIL: $name"
    printf '  %s\n' "${problems[@]}"
    [ -n "$err" ] && printf '  stderr: %s\n' "$err"
    failures=$((failures + 1))
  else
    echo "ok: $name"
  fi
  rm -rf "$machine"
done
[ "$failures" = 0 ]
