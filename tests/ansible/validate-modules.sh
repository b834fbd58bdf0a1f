#!/usr/bin/env bash
# Ansible's own sanity check of the collection's modules (documentation
# against argument specs, licence headers, ...), offline: ansible-test's
# validate-modules script called directly on a copy of the collection laid
# out as ansible_collections/hlq/kwn.
set -euo pipefail
src="$(cd "$(dirname "$0")/../.." && pwd)"
validate=/usr/lib/python3/dist-packages/ansible_test/_util/controller/sanity/validate-modules/validate.py
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/ansible_collections/hlq"
cp -a "$src/ansible" "$work/ansible_collections/hlq/kwn"
version=$(sed -n 's/^version: *//p' "$src/ansible/galaxy.yml")
cd "$work/ansible_collections/hlq/kwn"
output=$(PYTHONPATH="$work" /usr/bin/python3 -B "$validate" --arg-spec \
  --collection ansible_collections/hlq/kwn --collection-version "$version" plugins/modules/*.py 2>&1)
[ -z "$output" ] || { echo "$output"; exit 1; }
