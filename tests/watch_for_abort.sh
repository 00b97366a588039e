# Sourced by the test runners. Where Wine's 32-bit side runs under qemu,
# Wine's own Linux libraries abort now and then ("malloc(): invalid size
# (unsorted)", "Fatal glibc error: malloc assertion failure"), and the
# program then hangs, or stops answering until a check fails, instead of
# ending.
#   run_watched <file> <command...>
# runs the command with its output into the file, in a process group of its
# own, and ends the whole group as soon as such a line shows. Sets status to
# the command's exit status, and aborted to 1 when the group was ended.
abort_pattern='^(malloc|free|realloc|malloc_consolidate|munmap_chunk)\(\): |^double free or corruption|^corrupted [a-z]|^Fatal glibc error: '

run_watched() {
    local file=$1
    shift
    aborted=0
    setsid "$@" >"$file" 2>&1 &
    local group=$!
    while kill -0 "$group" 2>/dev/null; do
        if grep -qE "$abort_pattern" "$file"; then
            kill -KILL -- "-$group" 2>/dev/null
            aborted=1
            break
        fi
        sleep 1
    done
    wait "$group" 2>/dev/null
    status=$?
}
