# Sourced by the test runners. Where Wine's 32-bit side runs under qemu,
# Wine's own Linux libraries abort now and then ("malloc(): invalid size
# (unsorted)", "Fatal glibc error: malloc assertion failure"), and the
# program then hangs, or stops answering until a check fails, instead of
# ending.
#   run_watched <command...>
# runs the command with its output into the file $output, in a process group
# of its own, and ends the whole group as soon as such a line shows. Sets
# status to the command's exit status, and aborted to 1 when the group was
# ended. Into a file, not a pipe: a Wine process left behind by the run holds
# on to the output it inherited, and would keep a pipe open past the run.
abort_pattern='^(malloc|free|realloc|malloc_consolidate|munmap_chunk)\(\): |^double free or corruption|^corrupted [a-z]|^Fatal glibc error: '
output=$(mktemp)
trap 'rm -f "$output"' EXIT

run_watched() {
    aborted=0
    setsid "$@" >"$output" 2>&1 &
    local group=$!
    while kill -0 "$group" 2>/dev/null; do
        if grep -qE "$abort_pattern" "$output"; then
            kill -KILL -- "-$group" 2>/dev/null
            aborted=1
            break
        fi
        sleep 1
    done
    wait "$group" 2>/dev/null
    status=$?
}
