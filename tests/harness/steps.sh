# Sourced by scripts/test-all.sh: steps that each run whether or not an
# earlier one failed, timed, some of them beside the others, and the table
# of them all at the end.
#
#   step NAME SCRIPT          runs SCRIPT (bash, stopping at its first failure) now
#   step_beside NAME SCRIPT   starts it in the background, its output kept until it ends
#   await_steps               waits for the steps started beside, and shows their output
#   step_table                the table of every step's time, the total, and the failed steps;
#                             returns non-zero when any step failed

step_names=()
step_seconds=()
step_states=()
beside_pids=()
beside_indexes=()
step_logs=$(mktemp -d /tmp/korvel-steps.XXXXXX)
steps_started=$(date +%s)

# Records step number $1 as ended at this moment with status $2.
_step_ended() {
  local index=$1 status=$2 started=$3
  step_seconds[index]=$(($(date +%s) - started))
  if [ "$status" -eq 0 ]; then
    step_states[index]=passed
  else
    step_states[index]=FAILED
    echo "== failed: ${step_names[index]}" >&2
  fi
}

step() {
  local index=${#step_names[@]} started
  step_names+=("$1")
  started=$(date +%s)
  echo "== $1"
  local status=0
  bash -euo pipefail -c "$2" || status=$?
  _step_ended "$index" "$status" "$started"
}

step_beside() {
  local index=${#step_names[@]}
  step_names+=("$1")
  step_states[index]=running
  echo "== $1 (beside the next steps; its output comes when it ends)"
  (
    started=$(date +%s)
    status=0
    bash -euo pipefail -c "$2" >"$step_logs/$index.log" 2>&1 </dev/null || status=$?
    echo "$status $(($(date +%s) - started))" >"$step_logs/$index.status"
  ) &
  beside_pids+=($!)
  beside_indexes+=("$index")
}

await_steps() {
  local i index status seconds
  for i in "${!beside_pids[@]}"; do
    wait "${beside_pids[i]}"
    index=${beside_indexes[i]}
    read -r status seconds <"$step_logs/$index.status"
    echo "== ${step_names[index]}: its output"
    cat "$step_logs/$index.log"
    step_seconds[index]=$seconds
    if [ "$status" -eq 0 ]; then
      step_states[index]=passed
    else
      step_states[index]=FAILED
      echo "== failed: ${step_names[index]}" >&2
    fi
  done
  beside_pids=()
  beside_indexes=()
}

step_table() {
  local index failed=()
  echo
  echo "== every step, in seconds (steps started beside others overlap them)"
  printf '%6s  %-6s  %s\n' seconds state step
  for index in "${!step_names[@]}"; do
    printf '%6s  %-6s  %s\n' "${step_seconds[index]:-?}" "${step_states[index]}" "${step_names[index]}"
    [ "${step_states[index]}" = passed ] || failed+=("${step_names[index]}")
  done
  printf '%6s          %s\n' "$(($(date +%s) - steps_started))" "in all, from the first step to the last"
  rm -rf "$step_logs"
  if ((${#failed[@]} > 0)); then
    echo "== ${#failed[@]} step(s) failed:"
    printf '   %s\n' "${failed[@]}"
    return 1
  fi
  echo "== every step passed"
}
