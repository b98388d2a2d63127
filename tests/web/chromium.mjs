// Debian's Chromium, headless, for the page's tests and measurements: run as root without its
// sandbox, and kept off the network it would otherwise reach for at every start.
import puppeteer from "puppeteer-core";

// The measuring scripts outside this folder reach puppeteer through here, where npm installs it.
export { KnownDevices, PredefinedNetworkConditions } from "puppeteer-core";

export function launchChromium(flags = []) {
  return puppeteer.launch({
    executablePath: process.env.BRICKFALL_CHROMIUM || "/usr/bin/chromium",
    headless: true,
    args: ["--no-sandbox", "--no-first-run", "--disable-background-networking",
           "--disable-component-update", "--disable-sync", "--disable-quic", ...flags],
  });
}
