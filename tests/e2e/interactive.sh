#!/usr/bin/env bash
# kestrin on a terminal: tmux runs it, keys are typed into the dialog and the
# boxes, and the screen is read back.
. "$(dirname "$0")/lib.sh"

command -v tmux >/dev/null || { echo "tmux is not installed"; exit 77; }
command -v less >/dev/null || { echo "less is not installed"; exit 77; }

socket="kestrin-e2e-$$"
tmx() { tmux -L "$socket" "$@"; }
trap 'tmux -L "$socket" kill-server 2>/dev/null || true; rm -rf "$SCRATCH"' EXIT

export PAGER=less

# Starts kestrin with the arguments in a fresh 100x30 terminal; its exit
# status lands in $SCRATCH/status.
start() {
  rm -f "$SCRATCH/status"
  local command
  command=$(printf '%q ' "$KESTRIN_BIN" "$@")
  tmx -f /dev/null new-session -d -x 100 -y 30 -s e2e \
    "$command; echo \$? >'$SCRATCH/status'"
  tmx set-option -t e2e remain-on-exit on >/dev/null
}

screen() { tmx capture-pane -p -t e2e 2>/dev/null || true; }

# Waits until TEXT is on the screen (at most 20 s, checked every 0.1 s).
wait_for() {
  local i
  for ((i = 0; i < 200; i++)); do
    case "$(screen)" in *"$1"*) return 0 ;; esac
    sleep 0.1
  done
  fail "$2: '$1' never showed; the screen:
$(screen)"
  return 1
}

# Waits until TEXT has left the screen.
wait_gone() {
  local i
  for ((i = 0; i < 200; i++)); do
    case "$(screen)" in *"$1"*) ;; *) return 0 ;; esac
    sleep 0.1
  done
  fail "$2: '$1' stayed on the screen:
$(screen)"
  return 1
}

# Waits for kestrin to end and checks its exit status; the session goes.
expect_exit() {
  local i
  for ((i = 0; i < 200; i++)); do
    [ -s "$SCRATCH/status" ] && break
    sleep 0.1
  done
  local status
  status=$(cat "$SCRATCH/status" 2>/dev/null || echo "none")
  [ "$status" = "$1" ] || fail "$2: exit status $status, expected $1"
  tmx kill-session -t e2e 2>/dev/null || true
}

keys() { tmx send-keys -t e2e "$@"; }

# --- The dialog: drawn whole, a refused input, the dialog again, Esc -------
start --user=scott "$EXAMPLES/grades.sql"
if wait_for "{ Explain }" "dialog"; then
  shown=$(screen)
  for text in "= Kestrin =" "Alias" "scott              User" "Password" "Plan table" \
              "[x] Auto disconnect" "[x] Build plan table if it does not exist" \
              "[ ] Drop plan table after use" "Skip symbols" "End-of-line comments" \
              "Disconnect" "[ OK ]" "Kestrin 0.1.0" "examples/grades.sql  the whole file" \
              "Plugin: Kestrin"; do
    expect_in "$shown" "$text" "the dialog"
  done
  # The alias has the focus; the user's field comes next. Emptied, it is refused.
  keys Tab C-u Enter
  wait_for "The user name must not be empty or contain blanks or apostrophes" "refused user"
  keys Enter
  wait_gone "The user name must not be empty" "refused user box"
  wait_for "{ Explain }" "the dialog again"
  keys Tab
  keys -l "adams"
  wait_for "adams              User" "typing the user"
  keys Escape
  # Cancelled: back in the editor, where Esc leaves.
  wait_for "Enter Kestrin again" "dialog cancelled"
  keys Escape
  expect_exit 1 "dialog cancelled"
fi

# --- The whole command: password typed, report in the pager, the drop
# question on the second command, the disconnect button on the third -------
start --user=scott --plan-table=plan_table --build=1 --drop=0 --auto-disconnect=0 \
  "$EXAMPLES/payroll.c" 11-16
if wait_for "{ Explain }" "second run's dialog"; then
  keys Tab Tab
  keys -l "tiger"
  wait_for "*****              Password" "typing the password"
  expect_not_in "$(screen)" "tiger" "the password is masked"
  keys Enter
  if wait_for "SELECT STATEMENT" "the report in the pager"; then
    shown=$(screen)
    expect_in "$shown" "SELECT e.empno, e.ename, e.job, e.sal, d.dname" "the report's statement"
    expect_in "$shown" "PK_DEPT" "the report's index lines"
    keys q
    wait_for "Enter Kestrin again" "back in the editor"
    # The second command: connected now, the explain button has the focus
    # and the disconnect button is a button. Drop after use: the plan table
    # was not made by this command, so the module asks.
    keys Enter
    wait_for "[ Disconnect ]" "connected dialog"
    keys Tab Tab Tab Tab Tab Tab Tab Tab Tab Space
    wait_for "[x] Drop plan table after use" "drop checked"
    keys Enter
    if wait_for "Drop it anyway?" "the drop question"; then
      expect_in "$(screen)" "[ Keep ] [ Drop ]" "the drop question's buttons"
      keys d
      wait_for "SELECT STATEMENT" "the second report"
      keys q
      wait_for "Enter Kestrin again" "back in the editor again"
      # The third command: disconnect.
      keys Enter
      wait_for "[ Disconnect ]" "third dialog"
      keys M-d
      wait_for "Disconnected from Oracle" "disconnected"
      keys Enter
      wait_for "Enter Kestrin again" "after disconnecting"
    fi
  fi
  keys Escape
  expect_exit 0 "after reports"
  expect_no_reports_left "interactive"
fi

finish
