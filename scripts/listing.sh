#!/usr/bin/env bash
# Prints the measured code of a built program: for each kernel copy, in the order it lies
# in the program (the report's order), its disassembly from the entry label through the
# exit step, with offsets from the entry, its code_bytes (exit label minus entry) and where
# its entry lies in its 64-byte line (which decides how the processor fetches the loop).
# Jump targets inside the copy are shown as offsets too, as in the instruction tables.
#
# usage: scripts/listing.sh [PROGRAM]     (default: build/i386-linux/jumpbench)
set -euo pipefail

program=${1:-build/i386-linux/jumpbench}
[ -f "$program" ] || { echo "listing: no program at $program (run make build)" >&2; exit 1; }

exit_step_bytes=6   # sub esi, imm32

# Copies are found by their code labels: <copy>_entry and <copy>_exit.
nm -n "$program" | awk '$2 ~ /^[Tt]$/ && $3 ~ /_entry$/ { sub(/_entry$/, "", $3); print $3 }' |
while read -r copy; do
    entry=$((16#$(nm "$program" | awk -v s="${copy}_entry" '$3 == s { print $1 }')))
    exit_label=$((16#$(nm "$program" | awk -v s="${copy}_exit" '$3 == s { print $1 }')))
    printf '%s: %d bytes, entry at offset %d of its 64-byte line\n' "$copy" \
        $((exit_label - entry)) $((entry % 64))
    objdump -d -M intel --start-address=$entry --stop-address=$((exit_label + exit_step_bytes)) \
        "$program" |
    awk -v entry=$entry -v exit_label=$exit_label -v stop=$((exit_label + exit_step_bytes)) '
        function value(hex,    i, n) {   # mawk has no strtonum
            n = 0
            for (i = 1; i <= length(hex); i++) n = n * 16 + index("0123456789abcdef", substr(hex, i, 1)) - 1
            return n
        }
        function offset(hex) { return value(hex) - entry }
        # objdump continues a long encoding (more than 7 bytes) on a line of bytes alone:
        # its bytes join the instruction line before it, which is printed when the next
        # instruction (or the end) shows that it is whole.
        function flush() {
            if (pending == "") return
            printf "%s%s\n", pending_head sprintf("%-22s", pending_bytes) " ", pending
            pending = ""
        }
        /^ *[0-9a-f]+:\t/ {
            split($0, field, "\t")
            address = field[1]; sub(/^ */, "", address); sub(/:$/, "", address)
            bytes = field[2]; sub(/ *$/, "", bytes)
            instruction = field[3]
            if (instruction == "" && pending != "") { pending_bytes = pending_bytes " " bytes; next }
            flush()
            # A target inside the copy becomes its offset: "jmp 8049623 <...>" -> "jmp 19".
            if (match(instruction, /[0-9a-f]+ <[^>]*>$/)) {
                target = substr(instruction, RSTART); sub(/ .*/, "", target)
                if (value(target) >= entry && value(target) <= stop) {
                    instruction = substr(instruction, 1, RSTART - 1) offset(target)
                }
            }
            gsub(/ +/, " ", instruction)
            note = value(address) == exit_label ? "   (exit step)" : ""
            pending_head = sprintf("  %4d  ", offset(address))
            pending_bytes = bytes
            pending = instruction note
        }
        END { flush() }'
    echo
done
