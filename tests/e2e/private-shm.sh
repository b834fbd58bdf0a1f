#!/bin/sh
# Runs a command with a /dev/shm of its own, so that the code page record the
# journeys publish under its fixed name (/SHM_HLQ) is theirs alone: no other
# test run on the same machine can replace or remove it meanwhile. Root
# needs only a mount namespace; other users get a user namespace as well.
set -eu
if [ -z "${HLQ_PRIVATE_SHM:-}" ]; then
  export HLQ_PRIVATE_SHM=1
  if [ "$(id -u)" -eq 0 ]; then
    exec unshare --mount --propagation private "$0" "$@"
  else
    exec unshare --map-root-user --mount --propagation private "$0" "$@"
  fi
fi
mount -t tmpfs -o size=16m,mode=1777 hlq-e2e-shm /dev/shm
exec "$@"
