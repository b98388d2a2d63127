// The page's service worker: it keeps one version of the page's files, so that the game starts
// with the network off after one visit, and at once, without waiting for the network, at every
// visit after; and it never hands a page another version's files.
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
// - The page itself, its manifest and its icons come from the cache too: a visit starts from
//   the version kept, at once and offline alike. The browser looks for a newer worker at each
//   visit meanwhile; one that finds a new version installs it whole and waits, while the page
//   offers to restart into it (web/loader.js).
// - The first worker takes over at once; a newer one when the page asks it to ("take over"),
//   or once no page of the old version is left open. Taking over, a worker deletes every other
//   version's cache.
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
  })());
});

// The page's restart into this version, once it is kept whole.
self.addEventListener("message", (event) => {
  if (event.data === "take over") {
    event.waitUntil(self.skipWaiting());
  }
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

// This version's copy, or the network's answer where the cache has none (it was cleared).
async function cacheFirst(request, name) {
  return (await fromCache(name)) || fetch(request);
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
  if (!kRunFiles.includes(name) || url.searchParams.get("v") === kVersion) {
    event.respondWith(cacheFirst(event.request, name));
  }
});
