// Where the mails go: resource type, resource, and for a customer job status
// and job, found by browsing or by number or name; the folder tree follows.
import { ServiceError, type Job, type KorvaneApi, type Me, type Resource } from "./api.js";
import type { FolderTree } from "./folder_tree.js";
import { dialogTexts } from "./texts.js";
import { byId, errorText, fillList, showMessage, whileBusy } from "./ui.js";

const customerType = 3;
const largestJobNumber = 2147483647;

export class TargetChooser {
  private resources: Resource[] = [];
  private jobs: Job[] = [];
  private readonly typeBox = byId<HTMLSelectElement>("ress-type");
  private readonly resourceList = byId<HTMLSelectElement>("resources");
  private readonly statusBox = byId<HTMLSelectElement>("job-status");
  private readonly jobList = byId<HTMLSelectElement>("jobs");
  private readonly jobNumber = byId<HTMLInputElement>("job-number");
  private readonly jobName = byId<HTMLInputElement>("job-name");

  constructor(private readonly api: KorvaneApi, private readonly tree: FolderTree) {}

  async start(me: Me): Promise<void> {
    fillList(this.typeBox, await this.api.resourceTypes(), (type) => type.id, (type) => type.name);
    // A remembered type the box does not have shows, and filters, as "<Alle>".
    const type = me.settings.ressType >= 1 && me.settings.ressType <= 8 ? me.settings.ressType : 0;
    this.typeBox.value = String(type);
    fillList(this.statusBox, dialogTexts.jobStatuses, (_, index) => index + 1, (text) => text);
    this.statusBox.value = String(me.settings.jobSetting);
    await this.fillResources(type, me.last.ressId);
    if (me.last.jobId > 0 && this.chosenResource()?.type === customerType) await this.chooseJob(me.last.jobId);

    this.typeBox.onchange = () => this.guard(async () => {
      const type = Number(this.typeBox.value);
      await this.api.saveSettings({ ressType: type });
      await this.fillResources(type, Number(this.resourceList.value));
    });
    this.resourceList.onchange = () => this.guard(() => this.chooseResource(Number(this.resourceList.value)));
    this.statusBox.onchange = () => this.guard(async () => {
      await this.api.saveSettings({ jobSetting: Number(this.statusBox.value) });
      const resource = this.chosenResource();
      if (resource?.type === customerType) await this.fillJobs(resource.id);
    });
    this.jobList.onchange = () => this.guard(async () => { await this.chooseJob(Number(this.jobList.value)); });
    this.jobNumber.oninput = () => { this.jobNumber.value = digitsOnly(this.jobNumber.value); };
    this.jobNumber.onkeydown = (event) => { if (event.key === "Enter") void this.guard(() => this.findByNumber()); };
    this.jobName.onkeydown = (event) => { if (event.key === "Enter") void this.guard(() => this.findByName()); };
  }

  private async fillResources(type: number, wanted: number): Promise<void> {
    this.resources = await this.api.resources(type);
    fillList(this.resourceList, this.resources, (resource) => resource.id, (resource) => resource.name);
    const resource = this.resources.find((candidate) => candidate.id === wanted) ?? this.resources[0];
    if (resource) return this.chooseResource(resource.id);
    this.arrangeFor(type);
    this.tree.clear();
  }

  private async chooseResource(ressId: number): Promise<void> {
    this.resourceList.value = String(ressId);
    const resource = this.chosenResource();
    if (!resource) return;
    this.arrangeFor(resource.type);
    this.jobs = [];
    fillList(this.jobList, this.jobs, (job) => job.id, () => "");
    if (resource.type === customerType) await this.fillJobs(resource.id);
    await this.showFolders(resource.id, 0);
  }

  private async fillJobs(ressId: number): Promise<void> {
    this.jobs = await this.api.jobs(ressId, Number(this.statusBox.value));
    fillList(this.jobList, this.jobs, (job) => job.id, (job) => `${job.id}  ${job.name}`);
    this.jobList.value = "";
  }

  private async chooseJob(jobId: number): Promise<boolean> {
    if (!this.jobs.some((job) => job.id === jobId)) return false;
    this.jobList.value = String(jobId);
    this.jobList.options[this.jobList.selectedIndex]?.scrollIntoView({ block: "nearest" });
    await this.showFolders(this.chosenResource()?.id ?? 0, jobId);
    return true;
  }

  private async showFolders(ressId: number, jobId: number): Promise<void> {
    try {
      await this.tree.show(ressId, jobId);
    } catch (error) {
      this.tree.clear();
      throw error;
    }
  }

  // The service finds a job only where the lists show it: its customer listed
  // for the user, the job under the status filter.
  private async findByNumber(): Promise<void> {
    const text = this.jobNumber.value;
    if (text === "" || Number(text) > largestJobNumber) return showMessage(dialogTexts.noJobNumber);
    const jobId = Number(text);
    if (jobId <= 0) return;
    try {
      const found = await this.api.jobByNumber(jobId, Number(this.statusBox.value));
      await this.chooseResource(found.ressId);
      if (!(await this.chooseJob(jobId))) showMessage(dialogTexts.jobNumberNotFound(jobId));
    } catch (error) {
      if (error instanceof ServiceError && error.status === 404) return showMessage(error.message);
      throw error;
    }
  }

  private async findByName(): Promise<void> {
    const resource = this.chosenResource();
    if (this.jobs.length === 0 || !resource) return;
    try {
      const { jobId } = await this.api.jobByName(resource.id, this.jobName.value, Number(this.statusBox.value));
      if (!(await this.chooseJob(jobId))) showMessage(dialogTexts.jobNameNotFound);
    } catch (error) {
      if (error instanceof ServiceError && error.status === 404) return showMessage(error.message);
      throw error;
    }
  }

  private chosenResource(): Resource | undefined {
    return this.resources.find((resource) => String(resource.id) === this.resourceList.value);
  }

  private arrangeFor(type: number): void {
    byId<HTMLElement>("job-choice").hidden = type !== customerType;
  }

  // Runs a user's action; a failure is shown, and the pane stays usable.
  private guard(action: () => Promise<void>): Promise<void> {
    showMessage("");
    return whileBusy(action).catch((error: unknown) => showMessage(errorText(error)));
  }
}

function digitsOnly(text: string): string {
  return text.replace(/\D/g, "");
}
