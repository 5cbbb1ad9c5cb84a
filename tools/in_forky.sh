#!/bin/sh
# Runs a command chrooted in a Debian root, from the caller's working folder:
# in_forky.sh ROOT CHECKOUT COMMAND [ARGS...]
#
# Within a private mount namespace (no mount outlives the command), CHECKOUT
# and /tmp are bound into ROOT at their own paths, with the devices, the
# kernel's process and system views, this machine's name server and its
# certificate bundle (pip there reaches PyPI through the same authorities as
# here).
[ "${IN_FORKY_NAMESPACE:-}" = 1 ] || exec env IN_FORKY_NAMESPACE=1 unshare --mount --propagation private "$0" "$@"
root=$1 checkout=$2
shift 2
bundle=/etc/ssl/certs/ca-certificates.crt
mkdir -p "$root$checkout" "$root/tmp" "$root/dev" "$root/proc" "$root/sys" "$root/etc/ssl/certs" &&
    mount --bind "$checkout" "$root$checkout" && mount --rbind /tmp "$root/tmp" &&
    mount --rbind /dev "$root/dev" && mount -t proc proc "$root/proc" && mount --rbind /sys "$root/sys" &&
    touch "$root/etc/resolv.conf" && mount --bind /etc/resolv.conf "$root/etc/resolv.conf" || exit 1
if [ -f "$bundle" ]; then
    touch "$root$bundle" && mount --bind "$bundle" "$root$bundle" || exit 1
fi
# Folders of wheels that pip is told to look in here are looked in there too.
for folder in ${PIP_FIND_LINKS:-}; do
    if [ -d "$folder" ]; then
        mkdir -p "$root$folder" && mount --bind "$folder" "$root$folder" || exit 1
    fi
done
exec env -u IN_FORKY_NAMESPACE chroot "$root" /bin/sh -c 'cd "$0" 2>/dev/null || cd /; exec "$@"' "$PWD" "$@"
