// Every text the pane shows. Those the desktop dialog has are its own words;
// the rest say what only a web client can run into.

export const dialogTexts = {
  caption: "Import af mails til Korvane",
  resourceType: "Ressourcetype",
  resourceName: "Navn",
  job: "Job",
  status: "Status",
  jobNumber: "JobNr",
  jobName: "Jobnavn",
  jobStatuses: ["Aktive jobs", "Lukkede jobs", "Alle jobs"] as const,
  location: "Placering",
  documentFolder: "Dokumenter",
  newFolderTitle: "Opret folder",
  newFolderPrompt: "Foldernavn",
  newFolderFailedTitle: "Folder kunne ikke oprettes",
  import: "Import",
  noJobNumber: "Du har ikke indtastet et jobid.",
  jobNumberNotFound: (jobId: number) => `Job nr ${jobId} blev ikke fundet `,
  jobNameNotFound: "Job blev ikke fundet",
  importFailed: "Der opstod en fejl under importen til Korvane",
  yes: "Ja",
  no: "Nej",
  ok: "OK",
  cancel: "Annuller",
};

export const paneTexts = {
  loading: "Henter fra Korvane …",
  signInFailed: "Du kunne ikke logges ind i Korvane:",
  noNestedSignIn: "Denne udgave af Outlook kan ikke logge tilføjelsen ind. Opdatér Outlook, eller brug Outlook på nettet.",
  serviceFailed: "Korvane svarede ikke som ventet:",
  noMailContent:
    "Denne udgave af Outlook kan ikke give tilføjelsen mailens indhold, så der er ikke arkiveret noget. Brug Outlook på nettet, det nye Outlook eller den klassiske Outlook med Korvanes knap.",
  composeNotFiled:
    "En mail, der er ved at blive skrevet, kan ikke arkiveres herfra. Send den, og arkivér den derefter fra Sendt post.",
  noMailSelected: "Vælg den mail, der skal arkiveres.",
  oneMailOnly: "Denne udgave af Outlook kan kun arkivere én mail ad gangen. Vælg én mail.",
  filingProgress: (done: number, total: number, subject: string) => `Arkiverer mail ${done} af ${total}: ${subject}`,
  filingDone: (filed: number, skipped: number) =>
    skipped === 0 ? `${filed} arkiveret.` : `${filed} arkiveret, ${skipped} sprunget over.`,
  mailUnreadable: (subject: string, reason: string) =>
    `Mailen "${subject}" kunne ikke hentes fra Outlook (${reason}). Den og de følgende er ikke arkiveret.`,
  categoryNotSet: (subject: string) =>
    `Mailen "${subject}" er arkiveret, men kunne ikke markeres med kategorien "Korvane".`,
  expandFolder: "Vis undermapper",
  collapseFolder: "Skjul undermapper",
  findByNumber: "Søg job nr.",
  findByName: "Søg jobnavn",
};

export const categoryName = "Korvane";
