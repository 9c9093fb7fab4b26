# An sshd of the benchmarks' own on the loopback address, for the scripts that
# reach "another machine": sets keys, port and ssh_cmd, and stops the sshd on
# exit. Where none can start, says that WHAT was left out and exits.
#   source bench/sshd.sh "WHAT"      (from the project's folder)
keys=$(mktemp -d)
if ! port=$(bash tests/support/remote/start-sshd "$keys"); then
  printf '\n(No sshd could start here: %s was left out.)\n' "$1"
  exit 0
fi
trap 'kill "$(cat "$keys/sshd.pid")" 2>/dev/null; rm -rf "$keys"' EXIT
ssh_cmd="ssh -F /dev/null -p $port -i $keys/user -o UserKnownHostsFile=$keys/known_hosts -o StrictHostKeyChecking=yes -o BatchMode=yes"
