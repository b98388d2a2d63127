// The game's files for the page. index.html loads this file as loader.js?v=VERSION, VERSION
// being the page's own (the game's version and a digest of the page's files, written in at
// build time), and every file the game runs is asked for under that same version: the service
// worker (service-worker.js) serves each version from its own cache or from the network, never
// one version's file to another's page. The page's head starts the three downloads together
// (its preload links), and this file, run from the head, takes them up at once: the wasm
// compiles as it arrives, while the page sets itself up; brickfall.js, which takes in
// brickfall.data as soon as it runs, runs once the page has started and the data is here. A
// file that cannot be loaded is said on the page.
"use strict";
window.brickfallLoader = (function () {
  const version = new URL(document.currentScript.src).searchParams.get("v");
  const address = function (name) { return name + "?v=" + encodeURIComponent(version); };

  function fetchFile(name) {
    return fetch(address(name)).then(function (response) {
      if (!response.ok) {
        throw new Error(response.status + " " + response.statusText);
      }
      return response;
    });
  }

  // Streaming compiles need the server to name the type; a server that does not still works.
  function compile(response) {
    return /^application\/wasm\b/.test(response.headers.get("content-type") || "")
      ? WebAssembly.compileStreaming(response)
      : response.arrayBuffer().then(function (bytes) { return WebAssembly.compile(bytes); });
  }

  // Once the game runs, its files are all in: the worker then keeps them for the next visit,
  // without taking the network from this one's downloads.
  function keepForOffline() {
    if ("serviceWorker" in navigator) {
      navigator.serviceWorker.register("service-worker.js").catch(function (error) {
        console.warn("No offline copy: " + error.message);
      });
    }
  }

  // A failure waits for start() to say it: until then it counts as handled.
  const compiling = fetchFile("brickfall.wasm").then(compile);
  const arriving = fetchFile("brickfall.data").then(function (response) {
    return response.arrayBuffer();
  });
  compiling.catch(function () {});
  arriving.catch(function () {});

  function start(module, say) {
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
    module.postRun = [].concat(module.postRun || [], [keepForOffline]);
    arriving.then(function (bytes) {
      module.getPreloadedPackage = function () { return bytes; };
      const script = document.createElement("script");
      script.src = address("brickfall.js");
      script.onerror = function () { say("Cannot load brickfall.js."); };
      document.body.appendChild(script);
    }, cannotLoad("brickfall.data"));
  }

  return { start: start };
})();
