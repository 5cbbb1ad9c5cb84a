#!/bin/sh
# Runs a command of an emulated architecture's root, from the caller's
# working folder: in_root.sh ROOT CHECKOUT COMMAND [ARGS...]
#
# The emulated interpreter's children start by this machine's paths, so a
# bare "c++" there would be this machine's compiler; the tests that build C++
# or read binaries get this instead. It chroots, within a private mount
# namespace (no mount outlives it), into a view of ROOT made in memory over
# its empty /mnt: an overlay whose changes stay in memory (a folder made in
# the root itself would hide the same folder of this machine from qemu, which
# looks into the root first), with CHECKOUT, /tmp and ROOT's own path bound
# at the paths the tests name.
[ "${IN_ROOT_NAMESPACE:-}" = 1 ] || exec env IN_ROOT_NAMESPACE=1 unshare --mount --propagation private "$0" "$@"
root=$1 checkout=$2
shift 2
view=$root/mnt
mount -t tmpfs view "$view" && mkdir "$view/changes" "$view/work" "$view/root" &&
    mount -t overlay view -o "lowerdir=$root,upperdir=$view/changes,workdir=$view/work" "$view/root" &&
    mkdir -p "$view/root$checkout" "$view/root$root" &&
    mount --bind "$checkout" "$view/root$checkout" && mount --bind "$root" "$view/root$root" &&
    mount --bind /tmp "$view/root/tmp" && mount --bind /dev "$view/root/dev" && mount -t proc proc "$view/root/proc" &&
    exec env -u IN_ROOT_NAMESPACE chroot "$view/root" /bin/sh -c 'cd "$0" 2>/dev/null || cd /; exec "$@"' "$PWD" "$@"
