#!/usr/bin/env bash
# Prepares this machine to run i686 Windows programs under 32-bit Wine.
# Run as root on Debian bookworm. Safe to run again: it installs only what is
# missing and registers the emulator only when it is not registered yet.
set -euo pipefail

# The kernel here refuses 32-bit x86 programs, so 32-bit Wine itself runs
# under qemu-i386, reached through binfmt_misc.
# The applet's acceptance run also needs: an X server (xvfb), Japanese and
# Wine's own fonts (caption buttons), fc-list, and ImageMagick for pictures.
packages=(wine wine32:i386 qemu-user xvfb fonts-ipafont-gothic fonts-wine fontconfig imagemagick)
apt_wait=(-o DPkg::Lock::Timeout=600)

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup-wine: adding the i386 architecture"
  dpkg --add-architecture i386
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done

if ((${#missing[@]})) || [[ ${need_update:-0} == 1 ]]; then
  echo "setup-wine: installing ${missing[*]:-(nothing, refreshing lists)}"
  apt-get "${apt_wait[@]}" update
  if ((${#missing[@]})); then
    DEBIAN_FRONTEND=noninteractive apt-get "${apt_wait[@]}" install -y --no-install-recommends \
      "${missing[@]}"
  fi
else
  echo "setup-wine: all packages present"
fi

binfmt=/proc/sys/fs/binfmt_misc
if [[ ! -e $binfmt/register ]]; then
  echo "setup-wine: mounting binfmt_misc"
  mount -t binfmt_misc binfmt_misc "$binfmt"
fi

# i386 ELF executables (e_ident class 32, little endian; e_type EXEC or DYN;
# e_machine 3). F opens the interpreter now, so it works in any mount namespace.
if [[ ! -e $binfmt/qemu-i386 ]]; then
  echo "setup-wine: registering /usr/bin/qemu-i386 for i386 executables"
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf ':qemu-i386:M::%s:%s:/usr/bin/qemu-i386:F' "$magic" "$mask" >"$binfmt/register"
fi
if ! grep -qx enabled "$binfmt/qemu-i386"; then
  echo 1 >"$binfmt/qemu-i386"
fi
echo "setup-wine: ready"
