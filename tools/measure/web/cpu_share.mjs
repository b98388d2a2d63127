// The CPU time of a process tree, read from /proc: what the page's cost measurements count.
import fs from "node:fs";

export const ticksPerSecond = 100;  // Linux's USER_HZ, as /proc counts

// utime + stime of a process and of every process below it, in clock ticks.
export function treeTicks(root) {
  const parents = new Map();
  const ticks = new Map();
  for (const name of fs.readdirSync("/proc")) {
    if (!/^\d+$/.test(name)) continue;
    try {
      const stat = fs.readFileSync(`/proc/${name}/stat`, "utf8");
      const fields = stat.slice(stat.lastIndexOf(")") + 2).split(" ");
      parents.set(Number(name), Number(fields[1]));
      ticks.set(Number(name), Number(fields[11]) + Number(fields[12]));
    } catch {
      // the process ended while being read
    }
  }
  let total = 0;
  for (const [pid, own] of ticks) {
    for (let at = pid; at !== undefined && at > 1; at = parents.get(at)) {
      if (at === root) {
        total += own;
        break;
      }
    }
  }
  return total;
}

// The tree's CPU share of one core over `seconds`, after `settle` seconds.
export async function cpuShare(root, settle, seconds) {
  await sleep(settle * 1000);
  const before = treeTicks(root);
  await sleep(seconds * 1000);
  return (treeTicks(root) - before) / ticksPerSecond / seconds;
}
