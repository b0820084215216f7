#!/usr/bin/env bash
# Boots a real Linux kernel in QEMU with the kernel's own V4L2 test driver (vivid) and IR
# loopback (rc-loopback), this machine's root file system shared read-only, runs one command
# as root inside and powers off. The command's output is printed and its status returned.
#
#   scripts/kernel-vm.sh [--timeout S] [--out DIR] [--modprobe 'MOD ARGS' | --no-modules]
#                        -- COMMAND...
#
# Status 77 with one line "kernel-vm: skipped: WHY" when no machine can be booted here (no
# QEMU, no kernel package to be had); ctest counts that as skipped.
#
# Inside the machine: /mnt, /run and /tmp are scratch (tmpfs), $OUT (/mnt/out) is the host's
# --out folder, VD_KMOD_DIR is what `modprobe -d` needs to load more of the kernel's modules,
# systemd-udevd runs when installed, and GST_REGISTRY points at a registry the host built.
# The kernel is Debian's package, downloaded once and unpacked into $VD_KERNEL_CACHE
# (default ~/.cache/viewdeck/kernel); nothing is installed on the host.
# VD_KVM=1 uses KVM where the host offers it; the default is software emulation.
set -euo pipefail

timeout_s=300
out=""
mods=()
default_mods=1
while [ $# -gt 0 ]; do
  case $1 in
    --timeout) timeout_s=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --modprobe) mods+=("$2"); shift 2 ;;
    --no-modules) default_mods=0; shift ;;
    --) shift; break ;;
    *) echo "kernel-vm: unknown option $1" >&2; exit 2 ;;
  esac
done
[ $# -gt 0 ] || { sed -n '5,6p' "$0" | sed 's/^# *//' >&2; exit 2; }
if [ ${#mods[@]} -eq 0 ] && [ $default_mods = 1 ]; then
  # Three inputs, two bits each from input 0 up: TV (1), S-Video (2), webcam (0).
  mods=("vivid n_devs=1 num_inputs=3 input_types=0x09" "rc-loopback")
fi

skip() { echo "kernel-vm: skipped: $*"; exit 77; }
command -v qemu-system-x86_64 >/dev/null || skip "qemu-system-x86_64 is not installed (scripts/setup-deps.sh)"
[ -x /bin/busybox ] || skip "/bin/busybox is not installed (scripts/setup-deps.sh)"
command -v depmod >/dev/null || skip "depmod is not installed (scripts/setup-deps.sh)"

cache=${VD_KERNEL_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/viewdeck/kernel}
mkdir -p "$cache"
[ -n "$out" ] || out=$(mktemp -d)
mkdir -p "$out"
out=$(cd "$out" && pwd)

# 1. A kernel with its modules, unpacked from Debian's package; one checkout at a time.
exec 9>"$cache/.lock"
flock 9
if [ ! -f "$cache/root/boot/vmlinuz" ]; then
  pkg=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-[0-9]/{print $2; exit}')
  [ -n "$pkg" ] || skip "apt-cache cannot resolve linux-image-amd64 (apt-get update first)"
  rm -f "$cache"/linux-image-*.deb
  (cd "$cache" && apt-get download "$pkg" >/dev/null 2>&1) || skip "cannot download $pkg"
  rm -rf "$cache/root.new"
  dpkg-deb -x "$cache"/linux-image-*.deb "$cache/root.new"
  ln -sf "$(cd "$cache/root.new/boot" && ls vmlinuz-* | head -n 1)" "$cache/root.new/boot/vmlinuz"
  rm -rf "$cache/root" && mv "$cache/root.new" "$cache/root"
  rm -f "$cache"/linux-image-*.deb
fi
kver=$(ls "$cache/root/lib/modules" | head -n 1)
mdir=$cache/root/lib/modules/$kver
[ -f "$mdir/modules.dep" ] || depmod -b "$cache/root" "$kver"
# GStreamer's first look at its plug-ins takes half a minute under emulation; the host does
# it in a second, and the registry stays valid inside since the files are the same.
registry=$cache/gst-registry.bin
if command -v gst-inspect-1.0 >/dev/null; then
  GST_REGISTRY=$registry gst-inspect-1.0 >/dev/null 2>&1 || true
fi
flock -u 9

# 2. A tiny initramfs: busybox, the virtio and 9p modules, an init that mounts the host root.
# Not under /tmp: the machine mounts its own scratch there.
work=$(mktemp -d "$cache/run.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/initrd"/{bin,mods,newroot,proc,sys,dev}
cp /bin/busybox "$work/initrd/bin/busybox"
initmods="virtio_ring virtio virtio_pci_legacy_dev virtio_pci_modern_dev virtio_pci netfs fscache 9pnet 9pnet_virtio 9p"
for m in drivers/virtio/virtio_ring drivers/virtio/virtio drivers/virtio/virtio_pci_legacy_dev \
         drivers/virtio/virtio_pci_modern_dev drivers/virtio/virtio_pci fs/netfs/netfs \
         fs/fscache/fscache net/9p/9pnet net/9p/9pnet_virtio fs/9p/9p; do
  for f in "$mdir/kernel/$m".ko*; do [ -f "$f" ] && cp "$f" "$work/initrd/mods/"; done
done
cat > "$work/initrd/init" <<INIT
#!/bin/busybox sh
B=/bin/busybox
\$B mount -t proc proc /proc; \$B mount -t sysfs sys /sys; \$B mount -t devtmpfs dev /dev
for m in $initmods; do
  for f in /mods/\$m.ko*; do [ -f "\$f" ] && \$B insmod "\$f" 2>/dev/null; done
done
\$B mount -t 9p -o trans=virtio,version=9p2000.L,ro,msize=512000 hostroot /newroot ||
  { echo "kernel-vm: the host root cannot be mounted"; \$B poweroff -f; }
\$B mount --move /dev /newroot/dev
\$B umount /proc /sys
exec \$B switch_root /newroot $work/stage2.sh
INIT
chmod +x "$work/initrd/init"

# 3. Stage two runs from the host root: the test drivers, udev, then the command.
{
  echo '#!/bin/sh'
  echo 'mount -t proc proc /proc; mount -t sysfs sys /sys; mount -t tmpfs tmp /run; mount -t tmpfs tmp /mnt'
  # The machine's /tmp is its own scratch; a tree the command uses under the host's /tmp (a
  # clone there, say, or this cache with a home there) is put back in place over it.
  echo 'mkdir -p /mnt/hosttmp && mount --bind /tmp /mnt/hosttmp'
  echo 'mount -t tmpfs tmp /tmp; mkdir -p /mnt/out /mnt/home'
  for top in $(for p in "$PWD" "$cache" "$@"; do
                 case $p in /tmp/?*) p=${p#/tmp/}; echo "${p%%/*}" ;; esac
               done | sort -u); do
    printf 'mkdir -p /tmp/%q && mount --bind /mnt/hosttmp/%q /tmp/%q\n' "$top" "$top" "$top"
  done
  echo 'mount -t 9p -o trans=virtio,version=9p2000.L,msize=512000 vmout /mnt/out'
  printf 'export HOME=/mnt/home XDG_RUNTIME_DIR=/mnt TMPDIR=/tmp OUT=/mnt/out VD_KMOD_DIR=%q\n' "$cache/root"
  echo 'export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin'
  printf '[ -f %q ] && cp %q /mnt/gst-registry.bin; export GST_REGISTRY=/mnt/gst-registry.bin\n' "$registry" "$registry"
  echo 'udevd=$(command -v systemd-udevd || echo /lib/systemd/systemd-udevd)'
  echo 'if [ -x "$udevd" ]; then "$udevd" --daemon 2>"$OUT/udevd.log" && export VD_VM_UDEV=1; fi'
  for m in ${mods[@]+"${mods[@]}"}; do
    printf 'modprobe -d "$VD_KMOD_DIR" %s || echo "kernel-vm: modprobe %s failed"\n' "$m" "${m%% *}"
  done
  echo 'command -v udevadm >/dev/null && [ -n "$VD_VM_UDEV" ] && udevadm settle -t 10'
  printf 'cd %q\n' "$PWD"
  printf '( %s ) > "$OUT/vm-command.log" 2>&1; echo $? > "$OUT/vm-command.rc"\n' "$(printf '%q ' "$@")"
  echo 'sync; echo o > /proc/sysrq-trigger; sleep 10'
} > "$work/stage2.sh"
chmod +x "$work/stage2.sh"
(cd "$work/initrd" && find . | cpio -o -H newc 2>/dev/null | gzip -1 > "$work/initrd.gz")

accel=(-accel tcg -cpu max)
[ "${VD_KVM:-0}" = 1 ] && accel=(-accel kvm -cpu host)
rm -f "$out/vm-command.rc" "$out/vm-command.log"
timeout "$timeout_s" qemu-system-x86_64 "${accel[@]}" -m 2048 -smp 2 -nographic -no-reboot \
  -kernel "$cache/root/boot/vmlinuz" -initrd "$work/initrd.gz" \
  -append "console=ttyS0 quiet panic=-1" \
  -virtfs local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap \
  -virtfs local,path="$out",mount_tag=vmout,security_model=none,multidevs=remap \
  > "$out/vm-console.log" 2>&1 || true
if [ ! -f "$out/vm-command.rc" ]; then
  tail -n 20 "$out/vm-console.log" >&2
  echo "kernel-vm: the machine gave no result within ${timeout_s} s (console: $out/vm-console.log)" >&2
  exit 4
fi
cat "$out/vm-command.log"
exit "$(cat "$out/vm-command.rc")"
