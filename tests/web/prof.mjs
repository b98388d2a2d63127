import puppeteer from "puppeteer-core";
import { startServer } from "./static_server.mjs";
const server = await startServer('/work/main/build-web', { routes: { "/scripts/": '/work/main/docs' } });
const browser = await puppeteer.launch({ executablePath: "/usr/bin/chromium", headless: true,
  args: ["--no-sandbox","--no-first-run","--disable-background-networking","--disable-gpu","--disable-gpu-compositing","--disable-software-rasterizer"]});
const tab = await browser.newPage();
await tab.setViewport({ width: 800, height: 600, deviceScaleFactor: 1 });
await tab.goto(`http://127.0.0.1:${server.address().port}/index.html?demo=scripts/stage.script`);
await new Promise(r=>setTimeout(r,3000));
const cdp = await tab.createCDPSession();
await cdp.send('Profiler.enable'); await cdp.send('Profiler.setSamplingInterval',{interval:200}); await cdp.send('Profiler.start');
await new Promise(r=>setTimeout(r,6000));
const {profile} = await cdp.send('Profiler.stop');
const self = new Map(); const byId = new Map(profile.nodes.map(n=>[n.id,n]));
const dt = profile.timeDeltas; let total=0;
profile.samples.forEach((id,i)=>{ const n=byId.get(id); const key=n.callFrame.functionName+' '+(n.callFrame.url.split('/').pop())+':'+n.callFrame.lineNumber; self.set(key,(self.get(key)||0)+dt[i]); total+=dt[i]; });
const rows=[...self].sort((a,b)=>b[1]-a[1]).slice(0,25);
for (const [k,v] of rows) console.log((v/total*100).toFixed(1)+'%', k);
await browser.close(); server.close();
