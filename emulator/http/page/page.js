// The printer's page: follows /api/events and draws the state it tells of.
"use strict";

const $ = (id) => document.getElementById(id);
let zoom = "1";
let shownVersion = 0;
let wantedVersion = 0;
let fetching = false;
// The list holds the newest receipts, this many (more when older ones are asked for): a printer
// fed by a test suite finishes thousands, and a page that held them all would stall the browser.
const kStep = 100;
let shown = kStep;

function text(tag, content, className) {
  const node = document.createElement(tag);
  node.textContent = content;
  if (className) node.className = className;
  return node;
}

async function call(method, path, body) {
  const response = await fetch(path, {
    method,
    headers: body === undefined ? {} : { "Content-Type": "application/json" },
    body: body === undefined ? undefined : JSON.stringify(body),
  });
  const answer = await response.json().catch(() => ({}));
  if (!response.ok) throw new Error(answer.error || `${method} ${path}: ${response.status}`);
  return answer;
}

function showNotice(message) {
  $("notice").textContent = message;
  $("notice").hidden = !message;
}

function showStatus(status) {
  $("model").textContent = `${status.model} · ${status.widthDots} dots`;
  $("where").textContent = `Reached at ${status.where} · this page at http://${status.http}/`;
  $("link-state").textContent = status.state;
  const box = $("conditions");
  for (const condition of status.conditions) {
    let input = box.querySelector(`input[data-condition="${condition.name}"]`);
    if (!input) {
      const label = document.createElement("label");
      input = document.createElement("input");
      input.type = "checkbox";
      input.dataset.condition = condition.name;
      input.addEventListener("change", () => setCondition(input));
      label.append(input, document.createTextNode(condition.label));
      box.append(label);
    }
    input.checked = condition.on;
  }
}

async function setCondition(input) {
  input.disabled = true;
  try {
    await call("PUT", `/api/conditions/${input.dataset.condition}`, { on: input.checked });
    showNotice("");
  } catch (error) {
    input.checked = !input.checked;
    showNotice(error.message);
  } finally {
    input.disabled = false;
  }
}

// One picture of the paper in flight at a time: a slow link skips versions, never queues them.
function refreshPaper() {
  if (fetching || wantedVersion === shownVersion) return;
  fetching = true;
  const version = wantedVersion;
  const next = new Image();
  next.onload = next.onerror = () => {
    const live = $("live");
    if (next.naturalWidth > 0) {
      live.src = next.src;
      live.dataset.version = String(version);
      sizeImage(live, next.naturalWidth);
    }
    shownVersion = version;
    fetching = false;
    refreshPaper();
  };
  next.src = `/api/paper.png?v=${version}`;
}

function sizeImage(img, width) {
  img.dataset.width = String(width);
  img.style.width = zoom === "fit" ? "" : `${width * Number(zoom)}px`;
}

function receiptItem(receipt) {
  const item = document.createElement("li");
  item.className = "receipt";
  item.dataset.number = String(receipt.number);
  const meta = document.createElement("div");
  meta.className = "meta";
  const when = new Date(receipt.time).toLocaleString();
  meta.append(text("strong", `Receipt ${receipt.number}`),
    ` · ${when} · ${receipt.source} · ${receipt.bytes} bytes · ${receipt.width}×${receipt.height} dots`);
  const links = document.createElement("div");
  links.className = "links";
  const link = (href, label) => {
    const a = text("a", label);
    a.href = href;
    a.download = "";
    return a;
  };
  links.append(link(receipt.png, "PNG"));
  if (receipt.bin) links.append(link(receipt.bin, "bytes (.bin)"));
  if (receipt.trace) {
    links.append(link(receipt.trace, "trace"));
    const show = text("button", "Show commands");
    show.type = "button";
    show.addEventListener("click", () => showTrace(receipt));
    links.append(show);
  }
  meta.append(links);
  item.append(meta);
  if (receipt.error) item.append(text("p", receipt.error, "error"));
  const picture = document.createElement("div");
  picture.className = "picture";
  const img = document.createElement("img");
  img.alt = `Receipt ${receipt.number}`;
  img.loading = "lazy";
  img.decoding = "async";
  img.src = receipt.png;
  sizeImage(img, receipt.width);
  picture.append(img);
  item.append(picture);
  return item;
}

function addReceipt(receipt) {
  const list = $("receipts");
  if (list.querySelector(`li[data-number="${receipt.number}"]`)) return;
  // The printer tells only the newest of a flood: what the list held before the gap goes, so the
  // list stays the newest receipts without holes.
  const newest = list.firstElementChild;
  if (newest && receipt.number > Number(newest.dataset.number) + 1) list.replaceChildren();
  list.prepend(receiptItem(receipt));
  while (list.children.length > shown) list.lastElementChild.remove();
  countReceipts();
}

function countReceipts() {
  const list = $("receipts");
  const n = list.children.length;
  $("count").textContent = n ? `(${n})` : "";
  const oldest = list.lastElementChild;
  $("older").hidden = !oldest || Number(oldest.dataset.number) <= 1 || n < shown;
}

async function loadReceipts() {
  shown = kStep;
  const receipts = await call("GET", `/api/receipts?last=${shown}`);
  const list = $("receipts");
  // Receipts told while the list was on its way stay, above it.
  const newest = receipts.length ? receipts[receipts.length - 1].number : 0;
  const later = [...list.children].filter((item) => Number(item.dataset.number) > newest);
  list.replaceChildren();
  for (const receipt of receipts) addReceipt(receipt);
  list.prepend(...later);
  while (list.children.length > shown) list.lastElementChild.remove();
  countReceipts();
}

async function loadOlder() {
  const oldest = $("receipts").lastElementChild;
  const receipts = await call("GET", `/api/receipts?before=${oldest.dataset.number}&last=${kStep}`);
  shown += kStep;
  for (const receipt of receipts.reverse()) $("receipts").append(receiptItem(receipt));
  countReceipts();
  if (receipts.length < kStep) $("older").hidden = true;
}

async function showTrace(receipt) {
  const response = await fetch(receipt.trace);
  const lines = (await response.text()).split("\n").filter((line) => line.length > 0);
  const list = $("trace");
  list.replaceChildren();
  for (const line of lines) {
    const kind = /unknown (command|control byte)/.test(line) ? "unknown"
      : /incomplete(, dropped| at end)/.test(line) ? "incomplete" : "";
    list.append(text("li", line, kind));
  }
  $("trace-title").textContent = `Decoded commands of receipt ${receipt.number}`;
  $("trace-panel").hidden = false;
  $("trace-panel").scrollIntoView({ behavior: "smooth", block: "start" });
}

function follow() {
  const events = new EventSource("/api/events");
  const on = (name, handle) =>
    events.addEventListener(name, (event) => handle(JSON.parse(event.data)));
  on("hello", (status) => {
    showStatus(status);
    loadReceipts().catch((error) => showNotice(error.message));
    wantedVersion = shownVersion + 1;
    refreshPaper();
  });
  on("status", showStatus);
  on("paper", (paper) => {
    wantedVersion = Math.max(wantedVersion, shownVersion + 1);
    refreshPaper();
    $("live").dataset.receiptsBefore = String(paper.receiptsBefore);
  });
  on("receipts", (receipts) => receipts.forEach(addReceipt));
  on("condition", (condition) => {
    const input = document.querySelector(`input[data-condition="${condition.name}"]`);
    if (input) input.checked = condition.on;
  });
  on("notice", (notice) => showNotice(notice.text));
  on("cleared", (cleared) => {
    for (const item of [...$("receipts").children]) {
      if (Number(item.dataset.number) <= cleared.through) item.remove();
    }
    countReceipts();
  });
  events.onerror = () => { $("where").textContent = "The printer cannot be reached; trying again…"; };
}

$("zoom").addEventListener("change", () => {
  zoom = $("zoom").value;
  document.body.classList.toggle("fit", zoom === "fit");
  for (const img of document.querySelectorAll("img[data-width]")) sizeImage(img, Number(img.dataset.width));
});
$("clear").addEventListener("click", () => call("DELETE", "/api/receipts").catch((e) => showNotice(e.message)));
$("older").addEventListener("click", () => loadOlder().catch((e) => showNotice(e.message)));
$("trace-close").addEventListener("click", () => { $("trace-panel").hidden = true; });
follow();
