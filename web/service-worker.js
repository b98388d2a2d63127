// The page's service worker: it keeps one version of the page's files, so that the game starts
// with the network off after one visit, and it never hands a page another version's files.
//
// A version is the game's (CMake's PROJECT_VERSION) and a digest of the page's files, written
// in at build time by web/page_files.cmake, so that a rebuild is a new version too. index.html
// asks for each file the game runs under its version (loader.js?v=VERSION, brickfall.js,
// brickfall.wasm, brickfall.data), which pins every page to one version:
// - Installing, the worker fetches all of its version's files and checks each against its
//   SHA-256 below; only when every one is right does it store them, in a cache of its own
//   version's name. A failed or stale download leaves no cache, and the install is tried again
//   at the next visit.
// - A file of the worker's own version comes from that cache; a file of any other version
//   (a newer page, met before its own worker takes over) from the network, never from a cache.
// - The page itself comes from the network first, so that a new version shows on its first
//   visit; with no network, the worker's own copy, which asks for the worker's own files. The
//   manifest and its icons likewise.
// - Installed, a worker takes over at once and deletes every other version's cache.
"use strict";
const kVersion = "@BRICKFALL_PAGE_VERSION@";
// The files the game runs, asked for under a version.
const kRunFiles = [@BRICKFALL_RUN_FILES@];
// Every file of the page, with its SHA-256.
const kDigests = {
@BRICKFALL_FILE_DIGESTS@};
const kCache = "brickfall-" + kVersion;
const kScope = new URL(self.registration.scope);

// Where a file of this version is asked for, and kept.
function address(name) {
  const url = new URL(name, kScope);
  if (kRunFiles.includes(name)) {
    url.searchParams.set("v", kVersion);
  }
  return url.href;
}

async function sha256(bytes) {
  const digest = new Uint8Array(await crypto.subtle.digest("SHA-256", bytes));
  return Array.from(digest, (byte) => byte.toString(16).padStart(2, "0")).join("");
}

// Revalidated rather than taken from the browser's HTTP cache as it stands: the digests would
// refuse a stale copy, and the install would fail for nothing.
async function fetchChecked(name) {
  const response = await fetch(address(name), { cache: "no-cache" });
  const bytes = await response.arrayBuffer();
  if (!response.ok) {
    throw new Error(`${name}: ${response.status} ${response.statusText}`);
  }
  if ((await sha256(bytes)) !== kDigests[name]) {
    throw new Error(`${name} is not version ${kVersion}'s`);
  }
  // Stored decoded, with its type alone: the type is what the page's wasm compile needs.
  return new Response(bytes, {
    headers: { "content-type": response.headers.get("content-type") || "" },
  });
}

self.addEventListener("install", (event) => {
  event.waitUntil((async () => {
    const names = Object.keys(kDigests);
    const responses = await Promise.all(names.map(fetchChecked));
    // A cache of this name can only be left by an install that failed half way.
    await caches.delete(kCache);
    const cache = await caches.open(kCache);
    await Promise.all(names.map((name, index) => cache.put(address(name), responses[index])));
    await self.skipWaiting();
  })());
});

self.addEventListener("activate", (event) => {
  event.waitUntil((async () => {
    for (const name of await caches.keys()) {
      if (name.startsWith("brickfall-") && name !== kCache) {
        await caches.delete(name);
      }
    }
    await self.clients.claim();
  })());
});

async function fromCache(name) {
  const cache = await caches.open(kCache);
  return cache.match(address(name));
}

// The network's answer when there is one, revalidated; this version's copy when there is none.
async function networkFirst(request, name) {
  try {
    return await fetch(request.url, { cache: "no-cache", credentials: "same-origin" });
  } catch (offline) {
    return (await fromCache(name)) || Response.error();
  }
}

self.addEventListener("fetch", (event) => {
  const url = new URL(event.request.url);
  if (event.request.method !== "GET" || url.origin !== kScope.origin ||
      !url.pathname.startsWith(kScope.pathname)) {
    return;
  }
  const path = url.pathname.slice(kScope.pathname.length);
  const name = path === "" ? "index.html" : path;
  if (!(name in kDigests)) {
    return;
  }
  if (!kRunFiles.includes(name)) {
    event.respondWith(networkFirst(event.request, name));
  } else if (url.searchParams.get("v") === kVersion) {
    event.respondWith(fromCache(name).then((cached) => cached || fetch(event.request)));
  }
});
