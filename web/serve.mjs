// A static file server on 127.0.0.1 for the game's page: what the README's commands serve the
// page with, and what the page's tests and measurements serve it from. Node alone, no package.
// Usage: node web/serve.mjs FOLDER [PORT]   (default port 8000)
import fs from "node:fs";
import http from "node:http";
import path from "node:path";
import { fileURLToPath } from "node:url";
import zlib from "node:zlib";

const kTypes = {
  ".html": "text/html; charset=utf-8",
  ".js": "text/javascript",
  ".mjs": "text/javascript",
  ".wasm": "application/wasm",
  ".json": "application/json",
  ".webmanifest": "application/manifest+json",
  ".png": "image/png",
  ".script": "text/plain; charset=utf-8",
};
// Images and archives go as they are, as hosting sites send them: compressed already.
const kStored = new Set([".png", ".zip"]);

// A file's identity as a server tells it: another file, or the same one rewritten, is another.
const identity = (stat) => `${stat.ino}-${stat.size}-${Math.trunc(stat.mtimeMs)}`;

// Each file gzipped once while it stays the same, as a hosting site keeps it.
const gzipped = new Map();
function gzipOnce(file, stat, bytes) {
  const kept = gzipped.get(file);
  if (kept?.identity !== identity(stat)) {
    gzipped.set(file, { identity: identity(stat), bytes: zlib.gzipSync(bytes, { level: 9 }) });
  }
  return gzipped.get(file).bytes;
}

// Serves `folder` at the root; each extra route maps a path prefix such as "/scripts/" to a
// folder of its own. Names are resolved inside their folder: ".." cannot leave it.
export function startServer(folder, { port = 0, routes = {} } = {}) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, "http://127.0.0.1").pathname);
    const prefix = Object.keys(routes).find((route) => name.startsWith(route));
    const base = prefix === undefined ? folder : routes[prefix];
    const relative = path.posix.normalize(prefix === undefined ? name : name.slice(prefix.length));
    const named = path.join(base, path.posix.join("/", relative));
    const file = named.endsWith(path.sep) ? path.join(named, "index.html") : named;
    let stat;
    let bytes;
    try {
      stat = fs.statSync(file);
      bytes = fs.readFileSync(file);
    } catch {
      response.writeHead(404, { "content-type": "text/plain" });
      response.end("not found\n");
      return;
    }
    // Gzipped where the browser takes it, as hosting sites send files. The tag lets a browser
    // revalidate what it holds, each encoding apart; with no freshness given, it always asks.
    const gzip = !kStored.has(path.extname(file)) &&
                 /\bgzip\b/.test(request.headers["accept-encoding"] || "");
    const tag = `"${identity(stat)}${gzip ? "-gz" : ""}"`;
    const headers = { "content-type": kTypes[path.extname(file)] || "application/octet-stream",
                      "etag": tag, "vary": "accept-encoding" };
    if (request.headers["if-none-match"] === tag) {
      response.writeHead(304, headers);
      response.end();
      return;
    }
    if (gzip) {
      headers["content-encoding"] = "gzip";
      bytes = gzipOnce(file, stat, bytes);
    }
    response.writeHead(200, { ...headers, "content-length": bytes.length });
    response.end(request.method === "HEAD" ? undefined : bytes);
  });
  return new Promise((resolve, reject) => {
    server.once("error", reject);
    server.listen(port, "127.0.0.1", () => resolve(server));
  });
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const [folder, port = "8000", ...extra] = process.argv.slice(2);
  // A bad argument is a mistake in the command, not a fault of the server: say how it is used.
  const isFolder = (name) => fs.statSync(name, { throwIfNoEntry: false })?.isDirectory() === true;
  const isPort = (text) => /^[0-9]{1,5}$/.test(text) && Number(text) <= 65535;
  if (folder === undefined || !isFolder(folder) || !isPort(port) || extra.length > 0) {
    console.error("usage: node web/serve.mjs FOLDER [PORT]   (an existing folder; a port from 0 " +
                  "to 65535, 8000 unless given)");
    process.exit(2);
  }
  const server = await startServer(path.resolve(folder), { port: Number(port) });
  console.log(`brickfall's page: http://127.0.0.1:${server.address().port}/`);
}
