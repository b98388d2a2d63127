// Debian's Chromium, headless, for the page's tests and measurements, run as kChromiumFlags say.
import puppeteer from "puppeteer-core";
import { kChromiumFlags } from "./chromium_flags.mjs";

// The measuring scripts outside this folder reach puppeteer through here, where npm installs it.
export { KnownDevices, PredefinedNetworkConditions } from "puppeteer-core";

export function launchChromium(flags = []) {
  return puppeteer.launch({
    executablePath: process.env.BRICKFALL_CHROMIUM || "/usr/bin/chromium",
    headless: true,
    args: [...kChromiumFlags, ...flags],
  });
}
