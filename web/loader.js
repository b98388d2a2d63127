// The game's files for the page. index.html loads this file as loader.js?v=VERSION, VERSION
// being the page's own (the game's version and a digest of the page's files, written in at
// build time), and every file the game runs is asked for under that same version: the service
// worker (service-worker.js) serves each version from its own cache or from the network, never
// one version's file to another's page. The page starts the three downloads together once
// it has been shown (with preload links, or through download() once this file is here), and
// this file takes them up, counting their bytes as they stream in: the wasm compiles as it
// arrives; brickfall.js runs once the page has started and the data is here. A file that
// cannot be loaded is said on the page.
"use strict";
window.brickfallLoader = (function () {
  const version = new URL(document.currentScript.src).searchParams.get("v");
  const address = function (name) { return name + "?v=" + encodeURIComponent(version); };

  // The bytes of the game's files that have arrived, decoded, and who is told of each change.
  let bytesIn = 0;
  let arrived = function () {};

  // The response with a body that counts its bytes as they are read.
  function counted(response) {
    const counter = new TransformStream({
      transform: function (chunk, controller) {
        bytesIn += chunk.byteLength;
        arrived(bytesIn);
        controller.enqueue(chunk);
      },
    });
    return new Response(response.body.pipeThrough(counter), { headers: response.headers });
  }

  function fetchFile(name) {
    return fetch(address(name)).then(function (response) {
      if (!response.ok) {
        throw new Error(response.status + " " + response.statusText);
      }
      return response;
    });
  }

  // The wasm's bytes are counted on a copy, so that the browser compiles its own response,
  // whose compiled code it keeps for the next visit.
  function countedWasm(response) {
    const reader = counted(response.clone()).body.getReader();
    const drain = function () {
      return reader.read().then(function (part) { return part.done ? null : drain(); });
    };
    drain().catch(function () {});
    return response;
  }

  // Streaming compiles need the server to name the type; a server that does not still works.
  function compile(response) {
    return /^application\/wasm\b/.test(response.headers.get("content-type") || "")
      ? WebAssembly.compileStreaming(response)
      : response.arrayBuffer().then(function (bytes) { return WebAssembly.compile(bytes); });
  }

  // Begun when the page asks, once it has been shown, or at the start. A failure waits for
  // start() to say it: until then it counts as handled.
  let downloads = null;
  function download() {
    if (downloads === null) {
      downloads = {
        compiling: fetchFile("brickfall.wasm").then(countedWasm).then(compile),
        arriving: fetchFile("brickfall.data").then(function (response) {
          return counted(response).arrayBuffer();
        }),
        scripting: fetchFile("brickfall.js").then(function (response) {
          return counted(response).text();
        }),
      };
      for (const loading of Object.values(downloads)) {
        loading.catch(function () {});
      }
    }
    return downloads;
  }

  // Once the game runs, its files are all in: the worker then keeps them for the next visit,
  // without taking the network from this one's downloads. Started from a kept version, the page
  // hears of a newer one when the worker has kept every file of it, and takes it on a restart:
  // the waiting worker takes over, and the page loads again, all of it the new version's.
  function keepForOffline(offer) {
    if (!("serviceWorker" in navigator)) {
      return;
    }
    const container = navigator.serviceWorker;
    const offerOnceKept = function (worker) {
      const offerIt = function () {
        offer(function () {
          container.addEventListener("controllerchange", function () { location.reload(); });
          worker.postMessage("take over");
        });
      };
      if (worker.state === "installed") {
        offerIt();
      } else {
        worker.addEventListener("statechange", function () {
          if (worker.state === "installed") {
            offerIt();
          }
        });
      }
    };
    container.register("service-worker.js").then(function (registration) {
      // Only a page that a worker already serves has a version to leave.
      if (container.controller === null) {
        return;
      }
      const arriving = registration.waiting || registration.installing;
      if (arriving !== null) {
        offerOnceKept(arriving);
      }
      registration.addEventListener("updatefound", function () {
        offerOnceKept(registration.installing);
      });
    }).catch(function (error) {
      console.warn("No offline copy: " + error.message);
    });
  }

  // `page` is told of the bytes that have arrived (arrived), that every file is in (loaded), and
  // of a newer version ready to take (offer, with the function that takes it).
  function start(module, say, page) {
    const { compiling, arriving, scripting } = download();
    arrived = page.arrived;
    arrived(bytesIn);
    // Says which file failed, once, and stops what needed it.
    const cannotLoad = function (name) {
      return function (error) {
        say("Cannot load " + name + " (" + error.message + ").");
        return new Promise(function () {});
      };
    };
    const compiled = compiling.catch(cannotLoad("brickfall.wasm"));
    module.locateFile = address;
    module.instantiateWasm = function (imports, receive) {
      compiled.then(function (wasm) {
        return WebAssembly.instantiate(wasm, imports).then(function (instance) {
          receive(instance, wasm);
        });
      }).catch(cannotLoad("brickfall.wasm"));
      return {};
    };
    module.postRun = [].concat(module.postRun || [], [function () { keepForOffline(page.offer); }]);
    const data = arriving.catch(cannotLoad("brickfall.data"));
    const code = scripting.catch(cannotLoad("brickfall.js"));
    Promise.all([data, code, compiled]).then(page.loaded);
    // The runtime is set up while the wasm still arrives, and waits for it.
    Promise.all([data, code]).then(function ([bytes, text]) {
      module.getPreloadedPackage = function () { return bytes; };
      const script = document.createElement("script");
      script.textContent = text;
      document.body.appendChild(script);
    });
  }

  return { download: download, start: start };
})();
