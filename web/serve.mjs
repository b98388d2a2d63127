// A static file server on 127.0.0.1 for the game's page: what the README's commands serve the
// page with, and what the page's tests and measurements serve it from. Node alone, no package.
// Usage: node web/serve.mjs FOLDER [PORT]   (default port 8000)
import fs from "node:fs";
import http from "node:http";
import path from "node:path";
import { fileURLToPath } from "node:url";

const kTypes = {
  ".html": "text/html; charset=utf-8",
  ".js": "text/javascript",
  ".mjs": "text/javascript",
  ".wasm": "application/wasm",
  ".script": "text/plain; charset=utf-8",
};

// Serves `folder` at the root; each extra route maps a path prefix such as "/scripts/" to a
// folder of its own. Names are resolved inside their folder: ".." cannot leave it.
export function startServer(folder, { port = 0, routes = {} } = {}) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, "http://127.0.0.1").pathname);
    const prefix = Object.keys(routes).find((route) => name.startsWith(route));
    const base = prefix === undefined ? folder : routes[prefix];
    const relative = path.posix.normalize(prefix === undefined ? name : name.slice(prefix.length));
    const file = path.join(base, path.posix.join("/", relative));
    fs.readFile(file.endsWith(path.sep) ? path.join(file, "index.html") : file, (error, bytes) => {
      if (error) {
        response.writeHead(404, { "content-type": "text/plain" });
        response.end("not found\n");
        return;
      }
      response.writeHead(200, {
        "content-type": kTypes[path.extname(file)] || "application/octet-stream",
      });
      response.end(bytes);
    });
  });
  return new Promise((resolve, reject) => {
    server.once("error", reject);
    server.listen(port, "127.0.0.1", () => resolve(server));
  });
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const [folder, port = "8000"] = process.argv.slice(2);
  if (!folder) {
    console.error("usage: node web/serve.mjs FOLDER [PORT]");
    process.exit(2);
  }
  const server = await startServer(path.resolve(folder), { port: Number(port) });
  console.log(`brickfall's page: http://127.0.0.1:${server.address().port}/`);
}
